#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
struct WizardContext;

// The language choice. It shows the names of the language files beside the
// program and stores the chosen number; the new language is used from the
// next start on. It has no language texts of its own, since no language may
// be loaded yet. Closed without a choice it stores nothing.
class Ostrand_Language : public QDialog {
    Q_OBJECT
public:
    explicit Ostrand_Language(WizardContext& context, QWidget* parent = nullptr);

    QComboBox* Combo_Language = nullptr;
    QPushButton* Command_Ok = nullptr;

private:
    void Command_Ok_Click();

    WizardContext& m_Context;
};

// Loads the stored language; without one, asks for it and tries again (when
// there is a language file to offer). False when the program still has no
// language and must end (LanguageProblem says why).
bool LoadLanguageAtStartup(WizardContext& context);
