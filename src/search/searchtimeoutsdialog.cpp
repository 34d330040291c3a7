#include "searchtimeoutsdialog.h"

#include "searchtexts.h"
#include "searchtimeouts.h"

#include "base/inifile.h"
#include "base/language.h"
#include "comm/commtexts.h"
#include "shell/pagecontrols.h"
#include "base/settings.h"
#include "base/textnumber.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

const char* const kFunctions[Ostrand_SearchTimeouts::kRows] = {
    "SND_NKE/SND_UD     300", "RSP_UD2     300", "SND_NKE/SND_UD   2400",
    "RSP_UD2   2400",         "SND_NKE/SND_UD   9600", "RSP_UD2   9600"};

QString ElementName(const char* name, int index)
{
    return QString::fromLatin1(name) + u'(' + QString::number(index) + u')';
}

} // namespace

Ostrand_SearchTimeouts::Ostrand_SearchTimeouts(IniFile& ini, Settings& settings, const Language& language,
                                               QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_Ini(ini)
    , m_Settings(settings)
    , m_Language(language)
{
    setObjectName(QStringLiteral("Ostrand_SearchTimeouts"));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildWindow();
    SetTexts();
    ReadAllTimeouts();
    optActiveSetting[StoredActiveSetting(m_Settings) == ini::SearchGateway::Aspen ? 0 : 1]->setChecked(true);
}

void Ostrand_SearchTimeouts::BuildWindow()
{
    const auto label = [this](const QString& name) { return Named(new QLabel(this), name); };
    lblAspenHeader = label(QStringLiteral("lblAspenHeader"));
    lblBirchHeader = label(QStringLiteral("lblBirchHeader"));
    lblFunctionBaud = label(QStringLiteral("lblFunctionBaud"));
    lblActivSetting = label(QStringLiteral("lblActivSetting"));

    // Only digits can be typed; an emptied box is refused when storing.
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\s*\\d{0,9}\\s*")), this);
    auto* grid = new QGridLayout;
    grid->addWidget(lblFunctionBaud, 0, 0);
    grid->addWidget(lblAspenHeader, 0, 1);
    grid->addWidget(lblBirchHeader, 0, 2);
    for (int row = 0; row < kRows; ++row) {
        const auto i = static_cast<size_t>(row);
        lblFunction[i] = Named(new QLabel(QString::fromLatin1(kFunctions[row]), this), ElementName("lblFunction", row));
        txtAspen[i] = Named(new QLineEdit(this), ElementName("txtAspen", row));
        txtBirch[i] = Named(new QLineEdit(this), ElementName("txtBirch", row));
        lblSort[i] = Named(new QLabel(this), ElementName("lblSort", row));
        for (QLineEdit* box : {txtAspen[i], txtBirch[i]}) {
            box->setValidator(digits);
            FitWidthToDigits(box, 6);
        }
        lblFunction[i]->setBuddy(txtAspen[i]);
        grid->addWidget(lblFunction[i], row + 1, 0);
        grid->addWidget(txtAspen[i], row + 1, 1);
        grid->addWidget(txtBirch[i], row + 1, 2);
        grid->addWidget(lblSort[i], row + 1, 3);
    }
    auto* active = new QButtonGroup(this);
    grid->addWidget(lblActivSetting, kRows + 1, 0);
    for (int i = 0; i < 2; ++i) {
        auto* option = Named(new QRadioButton(this), ElementName("optActiveSetting", i));
        active->addButton(option, i);
        grid->addWidget(option, kRows + 1, i + 1, Qt::AlignHCenter);
        optActiveSetting[static_cast<size_t>(i)] = option;
    }
    optActiveSetting[0]->setAccessibleName(QStringLiteral("Aspen"));
    optActiveSetting[1]->setAccessibleName(QStringLiteral("Birch"));

    const auto button = [this](const char* name) { return CommandButton(this, QString::fromLatin1(name)); };
    Command_OK = button("Command_OK");
    Command_OK->setDefault(true);
    Command_Apply = button("Command_Apply");
    Command_Cancel = button("Command_Cancel");
    Command_FactoryDefaults = button("Command_FactoryDefaults");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command_FactoryDefaults);
    buttons->addStretch(1);
    buttons->addWidget(Command_OK);
    buttons->addWidget(Command_Apply);
    buttons->addWidget(Command_Cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(Command_OK, &QPushButton::clicked, this, [this] { Command_OK_Click(); });
    connect(Command_Apply, &QPushButton::clicked, this, [this] { Command_Apply_Click(); });
    connect(Command_Cancel, &QPushButton::clicked, this, [this] { Command_Cancel_Click(); });
    connect(Command_FactoryDefaults, &QPushButton::clicked, this, [this] { Command_FactoryDefaults_Click(); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            [this] { Command_Cancel_Click(); });
    connect(new QShortcut(QKeySequence(Qt::Key_Return), this), &QShortcut::activated, this, [this] { Command_OK_Click(); });
}

void Ostrand_SearchTimeouts::SetTexts()
{
    const auto text = [this](int id) { return m_Language.GetLanguageText(id); };
    setWindowTitle(text(searchtext::kSearchTimeoutsCaption));
    Command_OK->setText(text(commtext::kOk));
    Command_Apply->setText(text(commtext::kApply));
    Command_Cancel->setText(text(commtext::kCancel));
    Command_FactoryDefaults->setText(text(commtext::kFactoryDefaults));
    lblAspenHeader->setText(text(searchtext::kAspen));
    lblBirchHeader->setText(text(searchtext::kBirch));
    lblFunctionBaud->setText(text(searchtext::kFunctionBaud));
    lblActivSetting->setText(text(searchtext::kActiveSetting));
    for (QLabel* unit : lblSort)
        unit->setText(text(commtext::kMilliseconds));
}

ini::SearchGateway Ostrand_SearchTimeouts::ActiveType() const
{
    return optActiveSetting[0]->isChecked() ? ini::SearchGateway::Aspen : ini::SearchGateway::Birch;
}

void Ostrand_SearchTimeouts::ReadAllTimeouts()
{
    const QList<IniKey> aspen = SearchTimeoutDialogKeys(ini::SearchGateway::Aspen);
    const QList<IniKey> birch = SearchTimeoutDialogKeys(ini::SearchGateway::Birch);
    for (int row = 0; row < kRows; ++row) {
        txtAspen[static_cast<size_t>(row)]->setText(m_Ini.Read(aspen[row]));
        txtBirch[static_cast<size_t>(row)]->setText(m_Ini.Read(birch[row]));
    }
}

bool Ostrand_SearchTimeouts::RefuseNonNumeric()
{
    // Each box by its row and its set, as the window shows them.
    QList<std::pair<QLineEdit*, QString>> fields;
    for (int row = 0; row < kRows; ++row) {
        const auto i = static_cast<size_t>(row);
        const QString function = lblFunction[i]->text().simplified();
        fields.append({txtAspen[i], function + QStringLiteral(" (") + lblAspenHeader->text() + u')'});
        fields.append({txtBirch[i], function + QStringLiteral(" (") + lblBirchHeader->text() + u')'});
    }
    const QStringList refused = RefuseNonWholeMilliseconds(fields);
    if (refused.isEmpty())
        return false;
    QMessageBox::warning(this, windowTitle(),
                         m_Language.GetLanguageText(commtext::kNotANumber) + u'\n'
                             + m_Language.GetLanguageText(commtext::kRefused) + u' '
                             + refused.join(QStringLiteral(", ")));
    return true;
}

bool Ostrand_SearchTimeouts::WriteAllTimeouts()
{
    if (RefuseNonNumeric())
        return false;
    const QList<IniKey> aspen = SearchTimeoutDialogKeys(ini::SearchGateway::Aspen);
    const QList<IniKey> birch = SearchTimeoutDialogKeys(ini::SearchGateway::Birch);
    QList<std::pair<IniKey, QString>> values;
    for (int row = 0; row < kRows; ++row) {
        values.append({aspen[row], txtAspen[static_cast<size_t>(row)]->text().trimmed()});
        values.append({birch[row], txtBirch[static_cast<size_t>(row)]->text().trimmed()});
    }
    m_Ini.WriteValues(values);
    emit timeoutsWritten();
    return true;
}

void Ostrand_SearchTimeouts::SaveActiveSetting()
{
    m_Settings.Save(keys::Option_SearchActiveSetting, ActiveType() == ini::SearchGateway::Aspen ? 0 : 1);
}

void Ostrand_SearchTimeouts::Command_OK_Click()
{
    if (!WriteAllTimeouts())
        return;
    SaveActiveSetting();
    close();
}

void Ostrand_SearchTimeouts::Command_Apply_Click()
{
    if (!WriteAllTimeouts())
        return;
    ReadAllTimeouts();
    SaveActiveSetting();
}

void Ostrand_SearchTimeouts::Command_Cancel_Click()
{
    close();
}

void Ostrand_SearchTimeouts::Command_FactoryDefaults_Click()
{
    const QList<IniKey> aspen = SearchTimeoutDialogKeys(ini::SearchGateway::Aspen);
    const QList<IniKey> birch = SearchTimeoutDialogKeys(ini::SearchGateway::Birch);
    for (int row = 0; row < kRows; ++row) {
        txtAspen[static_cast<size_t>(row)]->setText(aspen[row].defaultValue);
        txtBirch[static_cast<size_t>(row)]->setText(birch[row].defaultValue);
    }
}
