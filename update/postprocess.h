#pragma once

#include "update/postform.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <stdexcept>

// Posts a form through the helper program murmlet-post (update/posthelper.cpp) instead
// of in this process, with the same contract as PostForm::post: the reply body, or an
// exception with the client's message. The helper is started for each call and killed
// when the caller cancels or the call outlasts its timeouts, so a post never holds up
// the program's end. Any thread may call it.
class PostProcess
{
public:
    class Error : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // helper: the helper program's path; form: the timeouts and CA file it posts with.
    PostProcess(QString helper, PostForm form);

    // The helper beside the running program.
    static QString helperBesideProgram();

    QString post(const QString &address, const QStringList &fields,
                 const std::atomic<bool> *cancel = nullptr) const;

    // Beyond the form's own timeouts, the time the helper may take to start and end.
    static constexpr int StartAndEndMs = 3000;

private:
    QString m_helper;
    PostForm m_form;
};
