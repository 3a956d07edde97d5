#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

// Settings > Calibrate...: the user types what a sound level meter in the room shows
// while the program hears the same sound. The offset is taken from the level heard at
// the moment the user confirms; while the program hears silence there is nothing to
// calibrate against and OK stays disabled.
class CalibrateDialog : public QDialog
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    enum class Outcome
    {
        Unchanged,
        Calibrated,
        Forgotten
    };

    // heardDbfs: the level the program hears now. offset: the calibration in force.
    CalibrateDialog(Translator translate, std::function<double()> heardDbfs,
                    std::optional<double> offset, QWidget *parent = nullptr);

    Outcome outcome() const { return m_outcome; }
    // The new offset, when calibrated.
    std::optional<double> offset() const { return m_offset; }

public slots:
    void showHeardLevel();

private:
    void calibrate();
    void forget();

    Translator m_translate;
    std::function<double()> m_heardDbfs;
    std::optional<double> m_offset;
    Outcome m_outcome = Outcome::Unchanged;
    QDoubleSpinBox *m_meterReading = nullptr;
    QLabel *m_heardLevel = nullptr;
    QPushButton *m_okButton = nullptr;
};
