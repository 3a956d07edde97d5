#pragma once

#include "update/postform.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <stdexcept>

// Posts a form through the helper program murmlet-post (update/posthelper.cpp) instead
// of in this process, with the same contract as PostForm::post: the reply body, or an
// exception with the client's message (or with what went wrong with the helper). The
// helper is started for each call and killed when the caller cancels or the call
// outlasts the form's connect + response timeouts - the same bound as the post in
// process, helper start and end included - so neither a hostile server nor a helper
// that hangs, crashes or never reads its request holds up the caller or the program's
// end. The helper inherits its standard streams and no other descriptor. Any thread may
// call it; it blocks that thread (the feedback dialog calls it on a thread of its own).
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

private:
    QString m_helper;
    PostForm m_form;
};
