#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Result codes of a pressed button, as callers compare them.
namespace DialogResult {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace DialogResult

// A modal message dialog whose caption and button captions the caller supplies.
// Buttons come in a fixed order (Yes, No, OK, Cancel, Abort, Retry, Ignore); the n-th
// caption goes to the n-th button, surplus captions are ignored. The default button is
// OK if present, else Yes; Escape answers No when there is no Cancel.
// Returns the pressed button's result code.
int showCaptionedMessage(QWidget *parent, const QString &message, QMessageBox::Icon kind,
                         QMessageBox::StandardButtons buttons, const QString &caption,
                         const QStringList &buttonCaptions);
