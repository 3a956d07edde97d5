#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

class PostForm;

// The maker's web service, reached over https first and, only when that attempt throws,
// exactly once more over http. The feedback dialog and the update check both post
// through it.
struct WebService
{
    QString httpsBase; // "https://" + host (+ ":port" in tests)
    QString httpBase;  // "http://" + host
    // Posts the ordered "name=value" lines to the address and returns the reply body;
    // throws on any failure of the attempt. cancel, when given, ends the attempt early
    // once it turns true.
    std::function<QString(const QString &address, const QStringList &fields,
                          const std::atomic<bool> *cancel)>
        post;

    // The service at host through the given form post.
    static WebService atHost(const QString &host, const PostForm &form);

    struct Reply
    {
        std::optional<QString> body;        // the reply of the attempt that completed
        std::optional<QString> secureError; // why the https attempt failed
        std::optional<QString> plainError;  // why the http attempt failed, when it was made
    };
    // Posts the fields to path (e.g. "/php/check2.php") on both roads as described. Once
    // cancel is true no further attempt starts.
    Reply send(const QString &path, const QStringList &fields,
               const std::atomic<bool> *cancel = nullptr) const;
};
