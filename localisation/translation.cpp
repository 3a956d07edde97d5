#include "localisation/translation.h"

#include "app/captionedmessagedialog.h"
#include "app/desktop.h"
#include "app/tahomafont.h"
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
    return QIcon(name == QLatin1String("flag")
                     ? QStringLiteral(":/icons/flag.svg")
                     : QStringLiteral(":/flags/") + name + QStringLiteral(".svg"));
}
} // namespace

TTranslateForm::TTranslateForm(const LanguageCatalogue &language, Desktop &desktop,
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

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(3, 6, 178, 19);
    Label1->setFont(tahomaFont(16));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(3, 39, 102, 19);
    Label2->setFont(tahomaFont(16));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(263, 4, 355, 24);
    ComboBox1->setFont(tahomaFont(13));
    ComboBox1->setIconSize(QSize(16, 16));

    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setGeometry(263, 32, 355, 151);
    RichEdit1->setFont(tahomaFont(16));
    RichEdit1->setReadOnly(true);
    RichEdit1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette face = RichEdit1->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    RichEdit1->setPalette(face);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Copy1 = PopupMenu1->addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), QString());
    Copy1->setObjectName(QStringLiteral("Copy1"));
    SelectAll1 = PopupMenu1->addAction(QString());
    SelectAll1->setObjectName(QStringLiteral("SelectAll1"));
    connect(Copy1, &QAction::triggered, this, &TTranslateForm::Copy1Click);
    connect(SelectAll1, &QAction::triggered, this, &TTranslateForm::SelectAll1Click);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->exec(RichEdit1->viewport()->mapToGlobal(at)); });

    // The bottom strip: a one-pixel separator line above a panel with the link and OK.
    auto *Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 227 - 39 - 1, 622, 1);
    Panel2->setFrameShape(QFrame::HLine);
    Panel2->setFrameShadow(QFrame::Sunken);
    auto *Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 227 - 39, 622, 39);

    Label3 = new QLabel(Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(3, 3, 177, 33);
    QFont link = tahomaFont(16);
    link.setUnderline(true);
    Label3->setFont(link);
    Label3->setStyleSheet(QStringLiteral("color: blue;"));
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setToolTip(translationAddress());
    Label3->installEventFilter(this);

    Button1 = new QPushButton(Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(447, 3, 172, 33);
    Button1->setFont(tahomaFont(16));
    Button1->setIcon(QIcon::fromTheme(QStringLiteral("dialog-ok")));
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TTranslateForm::Button1Click);

    setTabOrder(ComboBox1, RichEdit1);
    setTabOrder(RichEdit1, Button1);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    FormCreate();
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TTranslateForm::ComboBox1Change);
}

QString TTranslateForm::openingLanguage()
{
    return OpeningLanguage;
}

QString TTranslateForm::translationAddress()
{
    return QStringLiteral("https://" MURMLET_WEB_HOST "/translation/");
}

QString TTranslateForm::translated(const QString &text) const
{
    return m_language.Translate(text);
}

void TTranslateForm::FormCreate()
{
    setWindowTitle(translated(QStringLiteral("Language")));
    Label1->setText(translated(QStringLiteral("User Interface Language:")));
    Label2->setText(translated(QStringLiteral("Translated by:")));
    Button1->setText(translated(QStringLiteral("OK")));
    Label3->setText(translated(QStringLiteral("Contribute to Translation")));
    Copy1->setText(translated(QStringLiteral("Copy")));
    SelectAll1->setText(translated(QStringLiteral("Select All")));
    // The labels grow with their texts, which translations make longer.
    for (QLabel *label : {Label1, Label2, Label3})
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());

    const QStringList entries = LanguageList::entries(m_language.LanguageFiles());
    for (const QString &entry : entries) {
        const QString flag = LanguageList::flagName(entry);
        ComboBox1->addItem(flagIcon(flag), entry, flag);
    }
    ComboBox1->setCurrentIndex(
        int(LanguageList::selectedIndex(entries, m_language.LanguageName())));
    ComboBox1Change();
    OpeningLanguage = ComboBox1->currentText();
}

void TTranslateForm::ComboBox1Change()
{
    const QString credits =
        LanguageList::creditText(m_language.LanguagesFolder(), ComboBox1->currentText());
    RichEdit1->clear();
    const QStringList lines = LanguageList::creditLines(credits);
    for (const QString &line : lines)
        RichEdit1->appendPlainText(line);
}

void TTranslateForm::Button1Click()
{
    const QString entry = ComboBox1->currentText();
    if (entry == OpeningLanguage) {
        close();
        return;
    }
    const int answer = CaptionedMessageDialog(
        this, translated(QStringLiteral("Restart Application?")), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No, translated(QStringLiteral("Confirmation")),
        {translated(QStringLiteral("Yes")), translated(QStringLiteral("No"))});
    if (answer != DialogResult::Yes)
        return;

    if (m_setLanguageFile)
        m_setLanguageFile(entry + QStringLiteral(".lang.txt"));
    QCoreApplication::processEvents();
    QString script;
    try {
        script = RestartScript::write(m_settingsFolder, m_programFile);
    } catch (const std::exception &error) {
        // The general error message; the dialog stays open and nothing is started.
        QString text = QString::fromUtf8(error.what());
        if (!text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('.');
        QMessageBox::critical(this, QStringLiteral("Murmlet"), text);
        return;
    }
    QCoreApplication::processEvents();
    m_desktop.startScript(script, m_settingsFolder); // a failed start goes unnoticed
    QCoreApplication::processEvents();
    QCoreApplication::exit(0);
}

void TTranslateForm::Label3Click()
{
    m_desktop.openUrl(translationAddress());
}

void TTranslateForm::Copy1Click()
{
    RichEdit1->copy();
}

void TTranslateForm::SelectAll1Click()
{
    RichEdit1->selectAll();
}

bool TTranslateForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Label3Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
