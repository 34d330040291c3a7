#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
struct WizardContext;

// The language choice. It shows the names of the language files beside the
// program and stores the chosen number; the new language is used from the
// next start on. No language may be loaded yet: the dialog speaks the
// language chosen in its list, from that language's file. Closed without a
// choice it stores nothing.
class Ostrand_Language : public QDialog {
    Q_OBJECT
public:
    explicit Ostrand_Language(WizardContext& context, QWidget* parent = nullptr);

    QLabel* Label_Language = nullptr;
    QComboBox* Combo_Language = nullptr;
    QPushButton* Command_Ok = nullptr;

private:
    void Command_Ok_Click();
    // Title, prompt and button in the language of that entry of the list.
    void SpeakLanguage(int index);

    QStringList m_Files; // the language file of each entry

    WizardContext& m_Context;
};

// Loads the stored language; without one, asks for it and tries again (when
// there is a language file to offer). False when the program still has no
// language and must end (LanguageProblem says why).
bool LoadLanguageAtStartup(WizardContext& context);
