#include "languagedialog.h"

#include "apptexts.h"
#include "base/language.h"
#include "base/languagelocale.h"
#include "base/settings.h"
#include "comm/commtexts.h"
#include "shell/placewindow.h"
#include "shell/wizardcontext.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

Ostrand_Language::Ostrand_Language(WizardContext& context, QWidget* parent)
    : QDialog(parent)
    , m_Context(context)
{
    setObjectName(QStringLiteral("Ostrand_Language"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    Label_Language = new QLabel(this);
    Label_Language->setObjectName(QStringLiteral("Label_Language"));
    layout->addWidget(Label_Language);
    Combo_Language = new QComboBox(this);
    Combo_Language->setObjectName(QStringLiteral("Combo_Language"));
    Label_Language->setBuddy(Combo_Language);
    layout->addWidget(Combo_Language);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Command_Ok = new QPushButton(this);
    Command_Ok->setObjectName(QStringLiteral("Command_Ok"));
    Command_Ok->setDefault(true);
    buttons->addWidget(Command_Ok);
    layout->addLayout(buttons);
    connect(Command_Ok, &QPushButton::clicked, this, [this] { Command_Ok_Click(); });

    QList<int> offered;
    for (const LanguageChoice& choice : ListLanguageFiles(context.appPath)) {
        Combo_Language->addItem(choice.name, choice.number);
        m_Files << choice.filePath;
        offered << choice.number;
    }
    // Room for the title in every language offered.
    int width = 0;
    for (int i = 0; i < Combo_Language->count(); ++i) {
        SpeakLanguage(i);
        width = std::max(width, TitleBarWidth(*this));
    }
    setMinimumWidth(width);
    const int stored = static_cast<int>(context.settings.Read(keys::Language).toInt()); // empty counts as 0
    Combo_Language->setCurrentIndex(Combo_Language->findData(PreferredLanguageNumber(offered, stored, QLocale::system())));
    SpeakLanguage(Combo_Language->currentIndex());
    connect(Combo_Language, &QComboBox::currentIndexChanged, this, [this](int index) { SpeakLanguage(index); });
    Combo_Language->setFocus();
}

void Ostrand_Language::SpeakLanguage(int index)
{
    const QString file = m_Files.value(index);
    const auto text = [&file](qint32 id, const QString& builtIn) {
        const QString own = file.isEmpty() ? QString() : LanguageFileText(file, id);
        return own.isEmpty() ? builtIn : own;
    };
    setWindowTitle(text(apptext::kLanguageCaption, QStringLiteral("M-Bus Alder Family Setup Wizard - Select Language")));
    Label_Language->setText(text(apptext::kLanguagePrompt, QStringLiteral("&Language of the wizard:")));
    Command_Ok->setText(text(commtext::kOk, QStringLiteral("&OK")));
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
