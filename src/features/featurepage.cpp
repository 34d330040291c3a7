#include "featurepage.h"

#include "shell/pageconnection.h"
#include "shell/wizardcontext.h"

#include "shell/infobox.h"
#include "shell/pagecontrols.h"
#include "shell/pageflow.h"
#include "shell/settingkeys.h"
#include "shell/standardlists.h"
#include "shell/wizardhost.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The two lists are at least this many characters wide.
constexpr int kListWidthInChars = 10;

bool IsChecked(const Settings& settings, const SettingKey& key)
{
    return settings.ReadInt(key) != 0;
}

} // namespace

FeaturePage::FeaturePage(WizardHost& host, QWidget* parent)
    : WizardPage(page::MeterFeature, host, parent)
{
    Text_Info = AddInfo(page::MeterFeature, Body());
    Text_Info->SetMaximumAutoHeight(4 * fontMetrics().lineSpacing() + 6);

    auto* columns = new QHBoxLayout;
    columns->addLayout(BuildFunctionColumn());
    columns->addLayout(BuildMeterColumn(), 1);
    Body()->addLayout(columns, 1);
    Body()->addLayout(BuildButtonRow());

    connect(Command_MeterFeature_Debug, &QPushButton::clicked, this, [this] { Host().ToggleDebugWindow(); });
    connect(m_FeatureOptions, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            UpdateDebugPoll();
    });
}

QLayout* FeaturePage::BuildFunctionColumn()
{
    Frame_MeterFeature_Function = Named(new QGroupBox(this), QStringLiteral("Frame_MeterFeature_Function"));
    auto* options = new QVBoxLayout(Frame_MeterFeature_Function);
    options->setSpacing(2);
    m_FeatureOptions = new QButtonGroup(this);
    for (int i = 0; i < kFeatureCount; ++i) {
        auto* option = new QRadioButton(Frame_MeterFeature_Function);
        option->setObjectName(ElementName(QStringLiteral("Option_SelectMeterFeature"), i));
        m_FeatureOptions->addButton(option, i);
        options->addWidget(option);
        Option_SelectMeterFeature[static_cast<size_t>(i)] = option;
    }

    Check_MeterFeature_AlwaysInit = Named(new QCheckBox(this), QStringLiteral("Check_MeterFeature_AlwaysInit"));
    Check_MeterFeature_AlwaysApp = Named(new QCheckBox(this), QStringLiteral("Check_MeterFeature_AlwaysApp"));

    auto* column = new QVBoxLayout;
    column->addWidget(Frame_MeterFeature_Function);
    column->addWidget(Check_MeterFeature_AlwaysInit);
    column->addWidget(Check_MeterFeature_AlwaysApp);
    column->addStretch(1);
    return column;
}

QLayout* FeaturePage::BuildMeterColumn()
{
    auto* column = new QVBoxLayout;
    column->addWidget(BuildMeterFrame());
    column->addLayout(BuildOperationSettings());
    column->addStretch(1);
    return column;
}

QGroupBox* FeaturePage::BuildMeterFrame()
{
    Frame_MeterFeature_Meter = Named(new QGroupBox(this), QStringLiteral("Frame_MeterFeature_Meter"));
    for (int i = 0; i < static_cast<int>(Label_MeterFeature.size()); ++i)
        Label_MeterFeature[static_cast<size_t>(i)] =
            Named(new QLabel(this), ElementName(QStringLiteral("Label_MeterFeature"), i));
    for (int i = 0; i < static_cast<int>(Text_MeterFeature_Address.size()); ++i) {
        auto* field = Named(new QLineEdit(this), ElementName(QStringLiteral("Text_MeterFeature_Address"), i));
        FitWidthToDigits(field, 3);
        Text_MeterFeature_Address[static_cast<size_t>(i)] = field;
    }
    static constexpr int kSecondaryDigits[] = {8, 4, 2, 2};
    for (int i = 0; i < static_cast<int>(Text_MeterFeature_Sec_Address.size()); ++i) {
        auto* field = Named(new QLineEdit(this), ElementName(QStringLiteral("Text_MeterFeature_Sec_Address"), i));
        FitWidthToDigits(field, kSecondaryDigits[i]);
        Text_MeterFeature_Sec_Address[static_cast<size_t>(i)] = field;
    }
    Check_MeterFeature_UseSecondaryAddress =
        Named(new QCheckBox(this), QStringLiteral("Check_MeterFeature_UseSecondaryAddress"));
    Check_MeterFeature_TestAndDiagnostics =
        Named(new QCheckBox(this), QStringLiteral("Check_MeterFeature_TestAndDiagnostics"));

    // The primary address, or in its place the secondary address, whose
    // fields stay hidden while primary addressing is in use.
    auto* meter = new QGridLayout(Frame_MeterFeature_Meter);
    meter->setVerticalSpacing(2);
    meter->addWidget(Label_MeterFeature[0], 0, 0);
    meter->addWidget(Text_MeterFeature_Address[0], 1, 0, Qt::AlignLeft);
    meter->addWidget(Text_MeterFeature_Sec_Address[0], 1, 0, Qt::AlignLeft);
    for (int i = 1; i < 4; ++i) {
        meter->addWidget(Label_MeterFeature[static_cast<size_t>(i + 2)], 0, i);
        meter->addWidget(Text_MeterFeature_Sec_Address[static_cast<size_t>(i)], 1, i);
    }
    meter->setColumnStretch(4, 1);
    meter->addWidget(Check_MeterFeature_UseSecondaryAddress, 2, 0, 1, 5);
    meter->addWidget(Check_MeterFeature_TestAndDiagnostics, 3, 0, 1, 5);
    for (int i = 3; i < 6; ++i)
        Label_MeterFeature[static_cast<size_t>(i)]->hide();
    for (QLineEdit* field : Text_MeterFeature_Sec_Address)
        field->hide();
    Label_MeterFeature[0]->setBuddy(Text_MeterFeature_Address[0]);
    return Frame_MeterFeature_Meter;
}

QLayout* FeaturePage::BuildOperationSettings()
{
    Label_MeterFeature_AppReset = Named(new QLabel(this), QStringLiteral("Label_MeterFeature_AppReset"));
    Combo_MeterFeature_AppReset = Named(new QComboBox(this), QStringLiteral("Combo_MeterFeature_AppReset"));
    Combo_MeterFeature_LineSpeed = Named(new QComboBox(this), QStringLiteral("Combo_MeterFeature_LineSpeed"));
    for (QComboBox* list : {Combo_MeterFeature_LineSpeed, Combo_MeterFeature_AppReset}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(kListWidthInChars);
    }
    Label_MeterFeature_AppReset->setBuddy(Combo_MeterFeature_AppReset);
    Label_MeterFeature[1]->setBuddy(Text_MeterFeature_Address[1]);
    Label_MeterFeature[2]->setBuddy(Combo_MeterFeature_LineSpeed);

    // Each label above its field. The new address and the new speed belong
    // to different options and are never shown together, so they share the
    // last place; both stay hidden until an option needs one of them.
    auto* settings = new QGridLayout;
    settings->setVerticalSpacing(2);
    settings->addWidget(Label_MeterFeature_AppReset, 0, 0);
    settings->addWidget(Combo_MeterFeature_AppReset, 1, 0);
    settings->setRowMinimumHeight(2, 4);
    settings->addWidget(Label_MeterFeature[1], 3, 0);
    settings->addWidget(Label_MeterFeature[2], 3, 0);
    settings->addWidget(Text_MeterFeature_Address[1], 4, 0, Qt::AlignLeft);
    settings->addWidget(Combo_MeterFeature_LineSpeed, 4, 0);
    for (QWidget* shared : std::initializer_list<QWidget*>{Label_MeterFeature[1], Label_MeterFeature[2],
                                                           Text_MeterFeature_Address[1], Combo_MeterFeature_LineSpeed})
        shared->hide();
    return settings;
}

QLayout* FeaturePage::BuildButtonRow()
{
    Command_MeterFeature_Apply = Named(new QPushButton(this), QStringLiteral("Command_MeterFeature_Apply"));
    Command_MeterFeature_Search = Named(new QPushButton(this), QStringLiteral("Command_MeterFeature_Search"));
    Command_MeterFeature_Debug = Named(new QPushButton(this), QStringLiteral("Command_MeterFeature_Debug"));
    auto* row = new QHBoxLayout;
    row->addWidget(Command_MeterFeature_Apply);
    row->addStretch(1);
    row->addWidget(Command_MeterFeature_Search);
    row->addWidget(Command_MeterFeature_Debug);
    return row;
}

void FeaturePage::Startup()
{
    SetTexts();
    FillMBusLineSpeedList(Combo_MeterFeature_LineSpeed, Context().language);
    FillAppResetList();

    int stored = Context().settings.ReadInt(keys::Option_SelectMeterFeature);
    if (stored < 0 || stored >= kFeatureCount)
        stored = 0; // a hand-edited store; the page always needs an operation
    Option_SelectMeterFeature[static_cast<size_t>(stored)]->setChecked(true);
    ShowFeatureCaptions();
}

void FeaturePage::SetTexts()
{
    Frame_MeterFeature_Function->setTitle(GetLanguageText(664));
    for (int i = 0; i < kFeatureCount; ++i)
        Option_SelectMeterFeature[static_cast<size_t>(i)]->setText(GetLanguageText(650 + i));
    Check_MeterFeature_AlwaysInit->setText(GetLanguageText(658));
    Check_MeterFeature_AlwaysInit->setToolTip(GetLanguageText(668));
    Check_MeterFeature_AlwaysApp->setText(GetLanguageText(659));
    Check_MeterFeature_AlwaysApp->setToolTip(GetLanguageText(669));

    Frame_MeterFeature_Meter->setTitle(GetLanguageText(665));
    Label_MeterFeature[0]->setText(GetLanguageText(641));
    Text_MeterFeature_Address[0]->setToolTip(GetLanguageText(673));
    for (int i = 0; i < 3; ++i)
        Label_MeterFeature[static_cast<size_t>(i + 3)]->setText(GetLanguageText(670 + i));
    for (int i = 0; i < 4; ++i)
        Text_MeterFeature_Sec_Address[static_cast<size_t>(i)]->setToolTip(GetLanguageText(675 + i));
    Check_MeterFeature_UseSecondaryAddress->setText(GetLanguageText(656));
    Check_MeterFeature_UseSecondaryAddress->setToolTip(GetLanguageText(666));
    Check_MeterFeature_TestAndDiagnostics->setText(GetLanguageText(657));
    Check_MeterFeature_TestAndDiagnostics->setToolTip(GetLanguageText(667));

    Label_MeterFeature[1]->setText(GetLanguageText(660));
    Text_MeterFeature_Address[1]->setToolTip(GetLanguageText(674));
    Label_MeterFeature[2]->setText(GetLanguageText(661));
    Combo_MeterFeature_LineSpeed->setToolTip(GetLanguageText(683));
    Label_MeterFeature_AppReset->setText(GetLanguageText(662));
    Combo_MeterFeature_AppReset->setToolTip(GetLanguageText(682));

    Command_MeterFeature_Apply->setToolTip(GetLanguageText(679));
    Command_MeterFeature_Search->setText(GetLanguageText(826));
    Command_MeterFeature_Search->setToolTip(GetLanguageText(681));
    Command_MeterFeature_Debug->setText(GetLanguageText(663));
    Command_MeterFeature_Debug->setToolTip(GetLanguageText(680));
}

void FeaturePage::FillAppResetList()
{
    // Entry 0 sends no subcode; entry i sends subcode (i - 1) * 16 and shows
    // the subcode's meaning (texts 761-776) and its number 0-15.
    QComboBox* list = Combo_MeterFeature_AppReset;
    list->clear();
    list->addItem(GetLanguageText(760));
    for (int subcode = 0; subcode < 16; ++subcode)
        list->addItem(GetLanguageText(761 + subcode) + QStringLiteral(" - ") + QString::number(subcode));
    // The list stays narrow on the page; its drop-down shows whole entries.
    QAbstractItemView* view = list->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth());
}

void FeaturePage::Prepare(bool back, bool forward)
{
    WizardPage::Prepare(back, forward);
    PrepareLinkTimings(Context(), ini::kFeatureTimings);
    const Settings& settings = Context().settings;
    Text_Info->SetText(GetLanguageText(364));

    SelectStoredIndex(Combo_MeterFeature_LineSpeed, settings.ReadInt(keys::MeterFeature_LineSpeed));
    SelectStoredIndex(Combo_MeterFeature_AppReset, settings.ReadInt(keys::MeterFeature_AppReset));
    Check_MeterFeature_TestAndDiagnostics->setChecked(IsChecked(settings, keys::MeterFeature_TestAndDiagnostics));
    Check_MeterFeature_UseSecondaryAddress->setChecked(IsChecked(settings, keys::MeterFeature_UseSecondaryAddress));
    Check_MeterFeature_AlwaysInit->setChecked(IsChecked(settings, keys::MeterFeature_AlwaysInit));
    Check_MeterFeature_AlwaysApp->setChecked(IsChecked(settings, keys::MeterFeature_AlwaysApp));
    Text_MeterFeature_Address[0]->setText(settings.Read(keys::MeterFeature_Address_0));
    Text_MeterFeature_Address[1]->setText(settings.Read(keys::MeterFeature_Address_1));
    for (int i = 0; i < static_cast<int>(Text_MeterFeature_Sec_Address.size()); ++i)
        Text_MeterFeature_Sec_Address[static_cast<size_t>(i)]->setText(
            settings.Read(keys::MeterFeature_Sec_Address.ForTask(i)));

    ShowFeatureCaptions();
    Host().SetNextEnabled(false);
}

int FeaturePage::SelectedFeature() const
{
    return std::max(m_FeatureOptions->checkedId(), 0);
}

void FeaturePage::ShowFeatureCaptions()
{
    const int feature = SelectedFeature();
    HeaderLabel()->setText(Check_MeterFeature_AlwaysInit->isChecked() ? GetLanguageText(610 + feature)
                                                                       : GetLanguageText(620 + feature));
    Command_MeterFeature_Apply->setText(u'&' + GetLanguageText(691 + feature));
}

void FeaturePage::Enter(bool back, bool forward)
{
    WizardPage::Enter(back, forward);
    const bool opened = OpenPageConnection(Context(), Host().Window());
    if (!opened)
        Text_Info->SetText(ConnectionFailureText(Context(), QStringLiteral("\r\nError description: ")));
    Command_MeterFeature_Apply->setEnabled(opened);
    UpdateDebugPoll();
}

void FeaturePage::Leave(bool back, bool forward)
{
    WizardPage::Leave(back, forward);
    Context().connection.CloseConnection();
}

void FeaturePage::UpdateDebugPoll()
{
    if (Ostrand_Debug* window = Host().DebugWindow())
        OfferDebugPoll(*window);
}

void FeaturePage::OfferDebugPoll(Ostrand_Debug& window)
{
    const int feature = SelectedFeature();
    const bool repeatable = (feature == 0 || feature == 4) && Context().state.CurrentPage == page::MeterFeature;
    window.SetPollAction(repeatable ? std::function<void()>([this] { Command_MeterFeature_Apply->click(); })
                                    : std::function<void()>());
    window.SetPollEnabled(repeatable);
}
