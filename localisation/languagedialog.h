#pragma once

#include <QDialog>
#include <functional>

class Desktop;
class LanguageCatalogue;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;

// The language dialog: the languages of the "Languages" folder with their flags, who
// translated the selected one, a link to the translation page, and on OK with another
// language a restart of the program through a script in the settings folder.
class LanguageDialog : public QDialog
{
    Q_OBJECT
public:
    // setLanguageFile receives the chosen file's name before the restart.
    LanguageDialog(const LanguageCatalogue &language, Desktop &desktop,
                   const QString &settingsFolder, const QString &programFile,
                   std::function<void(const QString &)> setLanguageFile, QWidget *parent = nullptr);

    // The entry selected when a dialog last finished opening.
    static QString openingLanguage();
    // The translation page's address.
    static QString translationAddress();

    void showCredits();
    void applyChoice();
    void openTranslationPage();
    void copyCredits();
    void selectAllCredits();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillIn();
    QString translated(const QString &text) const;

    const LanguageCatalogue &m_language;
    Desktop &m_desktop;
    QString m_settingsFolder;
    QString m_programFile;
    std::function<void(const QString &)> m_setLanguageFile;

    QLabel *m_languageLabel;
    QLabel *m_creditsLabel;
    QComboBox *m_languages;
    QPlainTextEdit *m_credits;
    QLabel *m_contributeLink;
    QPushButton *m_okButton;
    QMenu *m_creditsMenu;
    QAction *m_copyItem;
    QAction *m_selectAllItem;
};
