#include "languagedialog.h"

#include "base/language.h"
#include "base/languagelocale.h"
#include "base/settings.h"
#include "shell/wizardcontext.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The width a window needs for its whole title in the title bar: the text
// (title bars often draw it bold) beside the icon, three buttons and a
// margin, each about as wide as the bar is high.
int TitleBarWidth(const QWidget& window)
{
    QFont font = QApplication::font();
    font.setBold(true);
    const int barHeight = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QFontMetrics(font).horizontalAdvance(window.windowTitle()) + 5 * barHeight;
}

} // namespace

Ostrand_Language::Ostrand_Language(WizardContext& context, QWidget* parent)
    : QDialog(parent)
    , m_Context(context)
{
    setObjectName(QStringLiteral("Ostrand_Language"));
    setWindowTitle(QStringLiteral("M-Bus Family Setup Wizard - Select Language"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    Combo_Language = new QComboBox(this);
    Combo_Language->setObjectName(QStringLiteral("Combo_Language"));
    layout->addWidget(Combo_Language);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Command_Ok = new QPushButton(QStringLiteral("OK"), this);
    Command_Ok->setObjectName(QStringLiteral("Command_Ok"));
    Command_Ok->setDefault(true);
    buttons->addWidget(Command_Ok);
    layout->addLayout(buttons);
    connect(Command_Ok, &QPushButton::clicked, this, [this] { Command_Ok_Click(); });

    QList<int> offered;
    for (const LanguageChoice& choice : ListLanguageFiles(context.appPath)) {
        Combo_Language->addItem(choice.name, choice.number);
        offered << choice.number;
    }
    const int stored = static_cast<int>(context.settings.Read(keys::Language).toInt()); // empty counts as 0
    Combo_Language->setCurrentIndex(Combo_Language->findData(PreferredLanguageNumber(offered, stored, QLocale::system())));
    setMinimumWidth(TitleBarWidth(*this));
    Combo_Language->setFocus();
}

void Ostrand_Language::Command_Ok_Click()
{
    if (Combo_Language->currentIndex() < 0) {
        reject();
        return;
    }
    m_Context.settings.Save(keys::Language, LanguageSettingValue(Combo_Language->currentData().toInt()));
    accept();
}

bool LoadLanguageAtStartup(WizardContext& context)
{
    if (context.language.LoadLanguage(context.settings, context.appPath))
        return true;
    if (ListLanguageFiles(context.appPath).isEmpty())
        return false; // nothing to offer
    Ostrand_Language dialog(context);
    dialog.exec();
    return context.language.LoadLanguage(context.settings, context.appPath);
}
