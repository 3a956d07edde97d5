#pragma once

#include <QString>

// Marks the program as running for as long as the object lives. Nothing ever tests the
// marker: several copies may run side by side.
class RunningMarker
{
public:
    explicit RunningMarker(const QString &name);
    ~RunningMarker();
    RunningMarker(const RunningMarker &) = delete;
    RunningMarker &operator=(const RunningMarker &) = delete;

private:
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};
