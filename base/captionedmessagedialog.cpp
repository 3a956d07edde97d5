#include "base/captionedmessagedialog.h"

#include <QAbstractButton>
#include <QPushButton>
#include <array>
#include <utility>

int showCaptionedMessage(QWidget *parent, const QString &message, QMessageBox::Icon kind,
                         QMessageBox::StandardButtons buttons, const QString &caption,
                         const QStringList &buttonCaptions)
{
    static constexpr std::array<std::pair<QMessageBox::StandardButton, int>, 7> Order{{
        {QMessageBox::Yes, DialogResult::Yes},
        {QMessageBox::No, DialogResult::No},
        {QMessageBox::Ok, DialogResult::Ok},
        {QMessageBox::Cancel, DialogResult::Cancel},
        {QMessageBox::Abort, DialogResult::Abort},
        {QMessageBox::Retry, DialogResult::Retry},
        {QMessageBox::Ignore, DialogResult::Ignore},
    }};

    QMessageBox box(kind, caption, message, QMessageBox::NoButton, parent);
    qsizetype index = 0;
    for (const auto &[button, result] : Order) {
        if (!(buttons & button))
            continue;
        QAbstractButton *added = box.addButton(button);
        if (index < buttonCaptions.size())
            added->setText(buttonCaptions[index]);
        ++index;
    }
    if (buttons & QMessageBox::Ok)
        box.setDefaultButton(QMessageBox::Ok);
    else if (buttons & QMessageBox::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    if (!(buttons & QMessageBox::Cancel) && (buttons & QMessageBox::No))
        box.setEscapeButton(QMessageBox::No);

    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const auto &[button, result] : Order) {
        if (pressed == button)
            return result;
    }
    return DialogResult::Cancel;
}
