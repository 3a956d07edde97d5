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
class TTranslateForm : public QDialog
{
    Q_OBJECT
public:
    // setLanguageFile receives the chosen file's name before the restart.
    TTranslateForm(const LanguageCatalogue &language, Desktop &desktop,
                   const QString &settingsFolder, const QString &programFile,
                   std::function<void(const QString &)> setLanguageFile, QWidget *parent = nullptr);

    // The entry selected when a dialog last finished opening.
    static QString openingLanguage();
    // The translation page's address.
    static QString translationAddress();

    void ComboBox1Change();
    void Button1Click();
    void Label3Click();
    void Copy1Click();
    void SelectAll1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    QString translated(const QString &text) const;

    const LanguageCatalogue &m_language;
    Desktop &m_desktop;
    QString m_settingsFolder;
    QString m_programFile;
    std::function<void(const QString &)> m_setLanguageFile;

    QLabel *Label1;
    QLabel *Label2;
    QComboBox *ComboBox1;
    QPlainTextEdit *RichEdit1;
    QLabel *Label3;
    QPushButton *Button1;
    QMenu *PopupMenu1;
    QAction *Copy1;
    QAction *SelectAll1;
};
