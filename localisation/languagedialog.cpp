#include "localisation/languagedialog.h"

#include "base/desktop.h"
#include "base/pictures.h"
#include "base/programmessages.h"
#include "base/tahomafont.h"
#include "localisation/languagecatalogue.h"
#include "localisation/languagelist.h"
#include "localisation/restartscript.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <exception>

namespace {
// One value for all openings of the dialog.
QString OpeningLanguage;

QIcon flagIcon(const QString &name)
{
    return Pictures::icon(name == QLatin1String("flag") ? QStringLiteral(":/icons/flag")
                                                        : QStringLiteral(":/flags/") + name);
}
} // namespace

LanguageDialog::LanguageDialog(const LanguageCatalogue &language, Desktop &desktop,
                               const QString &settingsFolder, const QString &programFile,
                               std::function<void(const QString &)> setLanguageFile,
                               QWidget *parent)
    : QDialog(parent), m_language(language), m_desktop(desktop), m_settingsFolder(settingsFolder),
      m_programFile(programFile), m_setLanguageFile(std::move(setLanguageFile))
{
    setObjectName(QStringLiteral("TranslateForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(622, 227);
    setFont(tahomaFont(11));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    m_languageLabel = new QLabel(this);
    m_languageLabel->setObjectName(QStringLiteral("Label1"));
    m_languageLabel->setGeometry(3, 6, 178, 19);
    m_languageLabel->setFont(tahomaFont(16));

    m_creditsLabel = new QLabel(this);
    m_creditsLabel->setObjectName(QStringLiteral("Label2"));
    m_creditsLabel->setGeometry(3, 39, 102, 19);
    m_creditsLabel->setFont(tahomaFont(16));

    m_languages = new QComboBox(this);
    m_languages->setObjectName(QStringLiteral("ComboBox1"));
    m_languages->setGeometry(263, 4, 355, 24);
    m_languages->setFont(tahomaFont(13));
    m_languages->setIconSize(QSize(16, 16));

    m_credits = new QPlainTextEdit(this);
    m_credits->setObjectName(QStringLiteral("RichEdit1"));
    m_credits->setGeometry(263, 32, 355, 151);
    m_credits->setFont(tahomaFont(16));
    m_credits->setReadOnly(true);
    m_credits->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_credits->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_credits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_credits->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette face = m_credits->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    m_credits->setPalette(face);
    m_credits->setContextMenuPolicy(Qt::CustomContextMenu);

    m_creditsMenu = new QMenu(this);
    m_creditsMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_copyItem = m_creditsMenu->addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), QString());
    m_copyItem->setObjectName(QStringLiteral("Copy1"));
    m_selectAllItem = m_creditsMenu->addAction(QString());
    m_selectAllItem->setObjectName(QStringLiteral("SelectAll1"));
    connect(m_copyItem, &QAction::triggered, this, &LanguageDialog::copyCredits);
    connect(m_selectAllItem, &QAction::triggered, this, &LanguageDialog::selectAllCredits);
    connect(m_credits, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_creditsMenu->exec(m_credits->viewport()->mapToGlobal(at));
    });

    // The bottom strip: a one-pixel separator line above a panel with the link and OK.
    auto *divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("Panel2"));
    divider->setGeometry(0, 227 - 39 - 1, 622, 1);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    auto *buttonRow = new QFrame(this);
    buttonRow->setObjectName(QStringLiteral("Panel1"));
    buttonRow->setGeometry(0, 227 - 39, 622, 39);

    m_contributeLink = new QLabel(buttonRow);
    m_contributeLink->setObjectName(QStringLiteral("Label3"));
    m_contributeLink->setGeometry(3, 3, 177, 33);
    QFont link = tahomaFont(16);
    link.setUnderline(true);
    m_contributeLink->setFont(link);
    m_contributeLink->setStyleSheet(QStringLiteral("color: blue;"));
    m_contributeLink->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_contributeLink->setCursor(Qt::PointingHandCursor);
    m_contributeLink->setToolTip(translationAddress());
    m_contributeLink->installEventFilter(this);

    m_okButton = new QPushButton(buttonRow);
    m_okButton->setObjectName(QStringLiteral("Button1"));
    m_okButton->setGeometry(447, 3, 172, 33);
    m_okButton->setFont(tahomaFont(16));
    m_okButton->setIcon(QIcon::fromTheme(QStringLiteral("dialog-ok")));
    m_okButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &LanguageDialog::applyChoice);

    setTabOrder(m_languages, m_credits);
    setTabOrder(m_credits, m_okButton);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    fillIn();
    connect(m_languages, &QComboBox::currentIndexChanged, this, &LanguageDialog::showCredits);
}

QString LanguageDialog::openingLanguage()
{
    return OpeningLanguage;
}

QString LanguageDialog::translationAddress()
{
    return QStringLiteral("https://" MURMLET_WEB_HOST "/translation/");
}

QString LanguageDialog::translated(const QString &text) const
{
    return m_language.translate(text);
}

void LanguageDialog::fillIn()
{
    setWindowTitle(translated(QStringLiteral("Language")));
    m_languageLabel->setText(translated(QStringLiteral("User Interface Language:")));
    m_creditsLabel->setText(translated(QStringLiteral("Translated by:")));
    m_okButton->setText(translated(QStringLiteral("OK")));
    m_contributeLink->setText(translated(QStringLiteral("Contribute to Translation")));
    m_copyItem->setText(translated(QStringLiteral("Copy")));
    m_selectAllItem->setText(translated(QStringLiteral("Select All")));
    // The labels grow with their texts, which translations make longer.
    for (QLabel *label : {m_languageLabel, m_creditsLabel, m_contributeLink})
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());

    const QStringList entries = LanguageList::entries(m_language.languageFiles());
    for (const QString &entry : entries) {
        const QString flag = LanguageList::flagName(entry);
        m_languages->addItem(flagIcon(flag), entry, flag);
    }
    m_languages->setCurrentIndex(
        int(LanguageList::selectedIndex(entries, m_language.languageName())));
    showCredits();
    OpeningLanguage = m_languages->currentText();
}

void LanguageDialog::showCredits()
{
    const QString credits =
        LanguageList::creditText(m_language.languagesFolder(), m_languages->currentText());
    m_credits->clear();
    const QStringList lines = LanguageList::creditLines(credits);
    for (const QString &line : lines)
        m_credits->appendPlainText(line);
}

void LanguageDialog::applyChoice()
{
    const QString entry = m_languages->currentText();
    if (entry == OpeningLanguage) {
        close();
        return;
    }
    if (!ProgramMessages::confirmRestart(this,
                                         [this](const QString &text) { return translated(text); }))
        return;

    if (m_setLanguageFile)
        m_setLanguageFile(entry + QStringLiteral(".lang.txt"));
    QCoreApplication::processEvents();
    QString script;
    try {
        script = RestartScript::write(m_settingsFolder, m_programFile);
    } catch (const std::exception &error) {
        // The dialog stays open and nothing is started.
        ProgramMessages::showGeneralError(this, QString::fromUtf8(error.what()));
        return;
    }
    QCoreApplication::processEvents();
    m_desktop.startScript(script, m_settingsFolder); // a failed start goes unnoticed
    QCoreApplication::processEvents();
    QCoreApplication::exit(0);
}

void LanguageDialog::openTranslationPage()
{
    m_desktop.openUrl(translationAddress());
}

void LanguageDialog::copyCredits()
{
    m_credits->copy();
}

void LanguageDialog::selectAllCredits()
{
    m_credits->selectAll();
}

bool LanguageDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_contributeLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        openTranslationPage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
