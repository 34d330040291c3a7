#include "languagedialog.h"

#include "shell/language.h"
#include "shell/settings.h"
#include "shell/wizardcontext.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

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
    Combo_Language->setMinimumWidth(260);
    layout->addWidget(Combo_Language);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Command_Ok = new QPushButton(QStringLiteral("OK"), this);
    Command_Ok->setObjectName(QStringLiteral("Command_Ok"));
    Command_Ok->setDefault(true);
    buttons->addWidget(Command_Ok);
    layout->addLayout(buttons);
    connect(Command_Ok, &QPushButton::clicked, this, [this] { Command_Ok_Click(); });

    for (const LanguageChoice& choice : ListLanguageFiles(context.appPath))
        Combo_Language->addItem(choice.name, choice.number);
    const int stored = static_cast<int>(context.settings.Read(keys::Language).toInt()); // empty counts as 0
    Combo_Language->setCurrentIndex(Combo_Language->findData(stored));
}

void Ostrand_Language::Command_Ok_Click()
{
    const QString previous = m_Context.settings.Read(keys::Language);
    if (Combo_Language->currentIndex() < 0) {
        reject();
        return;
    }
    m_Context.settings.Save(keys::Language, LanguageSettingValue(Combo_Language->currentData().toInt()));
    accept();
    if (!previous.isEmpty()) {
        QMessageBox::warning(parentWidget(), QString(), m_Context.language.GetLanguageText(105));
    }
}

bool LoadLanguageAtStartup(WizardContext& context)
{
    if (context.language.LoadLanguage(context.settings, context.appPath))
        return true;
    Ostrand_Language dialog(context);
    dialog.exec();
    return context.language.LoadLanguage(context.settings, context.appPath);
}
