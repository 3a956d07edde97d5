#include "features/levels/calibratedialog.h"

#include "features/levels/calibration.h"
#include "monitor/decibels.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

CalibrateDialog::CalibrateDialog(Translator translate, std::function<double()> heardDbfs,
                                 std::optional<double> offset, QWidget *parent)
    : QDialog(parent), m_translate(std::move(translate)), m_heardDbfs(std::move(heardDbfs)),
      m_offset(offset)
{
    setObjectName(QStringLiteral("CalibrateForm"));
    setWindowTitle(m_translate(QStringLiteral("Calibrate")));
    auto *column = new QVBoxLayout(this);
    auto *explanation =
        new QLabel(m_translate(QStringLiteral("Type what a sound level meter shows right now:")));
    explanation->setWordWrap(true);
    column->addWidget(explanation);

    auto *form = new QFormLayout;
    m_meterReading = new QDoubleSpinBox(this);
    m_meterReading->setObjectName(QStringLiteral("MeterReading"));
    m_meterReading->setRange(Calibration::LowestMeterReading, Calibration::HighestMeterReading);
    m_meterReading->setDecimals(1);
    m_meterReading->setSuffix(QStringLiteral(" dB"));
    // Where the last calibration puts the room now; a quiet classroom otherwise.
    const double heard = m_heardDbfs();
    m_meterReading->setValue(offset && std::isfinite(heard) ? heard + *offset : 50.0);
    form->addRow(m_translate(QStringLiteral("Sound level meter:")), m_meterReading);
    m_heardLevel = new QLabel(this);
    m_heardLevel->setObjectName(QStringLiteral("HeardLevel"));
    form->addRow(m_translate(QStringLiteral("Level now:")), m_heardLevel);
    column->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    m_okButton =
        buttons->addButton(m_translate(QStringLiteral("OK")), QDialogButtonBox::AcceptRole);
    m_okButton->setObjectName(QStringLiteral("ButtonOK"));
    QPushButton *cancel =
        buttons->addButton(m_translate(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    QPushButton *forgetButton = buttons->addButton(
        m_translate(QStringLiteral("Forget Calibration")), QDialogButtonBox::ResetRole);
    forgetButton->setObjectName(QStringLiteral("ButtonForget"));
    forgetButton->setEnabled(offset.has_value());
    connect(m_okButton, &QPushButton::clicked, this, &CalibrateDialog::calibrate);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(forgetButton, &QPushButton::clicked, this, &CalibrateDialog::forget);
    column->addWidget(buttons);

    // The main window keeps measuring while the dialog is open.
    auto *refresh = new QTimer(this);
    refresh->setInterval(250);
    connect(refresh, &QTimer::timeout, this, &CalibrateDialog::showHeardLevel);
    refresh->start();
    showHeardLevel();
}

void CalibrateDialog::showHeardLevel()
{
    const double heard = m_heardDbfs();
    m_heardLevel->setText(Decibels::dbfsText(heard, locale()));
    m_okButton->setEnabled(std::isfinite(heard));
}

void CalibrateDialog::calibrate()
{
    const std::optional<double> offset =
        Calibration::offsetFor(m_meterReading->value(), m_heardDbfs());
    if (!offset) {
        showHeardLevel(); // silence came between the last look and the click
        return;
    }
    m_offset = offset;
    m_outcome = Outcome::Calibrated;
    accept();
}

void CalibrateDialog::forget()
{
    m_offset.reset();
    m_outcome = Outcome::Forgotten;
    accept();
}
