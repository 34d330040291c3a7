#include "featurepage.h"

#include "featuretexts.h"
#include "comm/commtexts.h"
#include "comm/connection.h"
#include "comm/connectionrequest.h"
#include "comm/mbusapplication.h"
#include "comm/deviceoperations.h"
#include "comm/mbusframe.h"
#include "shell/pageconnection.h"
#include "shell/wizardcontext.h"

#include "shell/infobox.h"
#include "shell/pagecontrols.h"
#include "base/pageflow.h"
#include "base/settingkeys.h"
#include "shell/standardlists.h"
#include "base/textfields.h"
#include "base/textnumber.h"
#include "shell/wizardhost.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

// The two lists are at least this many characters wide.
constexpr int kListWidthInChars = 10;

// The result area shows at least this many lines of text, and the records
// table a header and this many rows.
constexpr int kResultLines = 4;
constexpr int kRecordRowsShown = 3;
constexpr int kRecordColumns = 7; // storage, tariff, subunit, function, description, value, unit
constexpr int kSubunitColumn = 2;

// The target address is clamped to this above 255, the new address above 251.
constexpr int kClampedAddress = 250;
constexpr int kHighestTarget = 255;
constexpr int kHighestNewAddress = 251;

// The M-Bus line speed where the one in use is not known.
constexpr int kUsualLineSpeed = 2400;

// The operations by option index.
enum class Feature { Initialise = 0, Identify = 1, ChangeAddress = 2, ChangeSpeed = 3, Diagnostics = 4, AppReset = 5 };

Feature FeatureAt(int index)
{
    return static_cast<Feature>(index);
}

bool IsChecked(const Settings& settings, const SettingKey& key)
{
    return settings.ReadInt(key) != 0;
}

bool IsOneOf(Feature feature, std::initializer_list<Feature> features)
{
    return std::find(features.begin(), features.end(), feature) != features.end();
}

// An operation forces the box off: it keeps what it showed in the memory
// (unless it holds one already) and shows unchecked.
void ForceOff(QCheckBox* box, std::optional<bool>& memory)
{
    if (!memory)
        memory = box->isChecked();
    box->setChecked(false);
}

// A control that an operation or secondary addressing shows or hides keeps
// its room meanwhile: the page is as wide and high as its widest and highest
// choice needs (the wizard sizes itself by it), and a choice moves nothing
// else. Set before the control is first hidden, as a hidden control's new
// policy reaches no layout.
template <typename Control>
Control* KeepingRoom(Control* control)
{
    QSizePolicy policy = control->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    control->setSizePolicy(policy);
    return control;
}

// An operation allows the box again: it shows what it showed before it was forced off.
void Restore(QCheckBox* box, std::optional<bool>& memory)
{
    if (memory)
        box->setChecked(*memory);
    memory.reset();
}

} // namespace

FeaturePage::FeaturePage(WizardHost& host, QWidget* parent)
    : WizardPage(page::MeterFeature, host, parent)
    , m_Protocol(host.Context().link, host.Context().operations, host.Context().language, host.Context().fcb, *this)
{
    auto* columns = new QHBoxLayout;
    columns->addLayout(BuildFunctionColumn());
    columns->addLayout(BuildMeterColumn(), 1);
    Body()->addLayout(columns);
    Body()->addWidget(BuildResultArea(), 1);
    Body()->addLayout(BuildButtonRow());

    ConnectControls();
}

void FeaturePage::ConnectControls()
{
    connect(Command_MeterFeature_Debug, &QPushButton::clicked, this, [this] { Host().ToggleDebugWindow(); });
    connect(Command_MeterFeature_Search, &QPushButton::clicked, this, &FeaturePage::searchRequested);
    connect(Command_MeterFeature_Apply, &QPushButton::clicked, this, [this] { Command_MeterFeature_Apply_Click(); });
    // While another window's operation runs (a search), Apply could not
    // start: it does not look as if it could.
    connect(&Context().operations, &DeviceOperations::busyChanged, this,
            [this](bool busy) { Command_MeterFeature_Apply->setEnabled(!busy && m_ConnectionOpened); });
    connect(m_FeatureOptions, &QButtonGroup::idClicked, this, [this](int feature) { Option_SelectMeterFeature_Click(feature); });

    Settings& settings = Context().settings;
    connect(Check_MeterFeature_TestAndDiagnostics, &QCheckBox::toggled, this, [this, &settings](bool checked) {
        settings.Save(keys::MeterFeature_TestAndDiagnostics, checked ? 1 : 0);
        UpdateAddressControls();
    });
    connect(Check_MeterFeature_UseSecondaryAddress, &QCheckBox::toggled, this, [this, &settings](bool checked) {
        settings.Save(keys::MeterFeature_UseSecondaryAddress, checked ? 1 : 0);
        Check_MeterFeature_UseSecondaryAddress_Click();
    });
    connect(Check_MeterFeature_AlwaysInit, &QCheckBox::toggled, this, [this, &settings](bool checked) {
        settings.Save(keys::MeterFeature_AlwaysInit, checked ? 1 : 0);
        ShowFeatureCaptions();
    });
    connect(Check_MeterFeature_AlwaysApp, &QCheckBox::toggled, this, [this, &settings](bool checked) {
        settings.Save(keys::MeterFeature_AlwaysApp, checked ? 1 : 0);
        UpdateAddressControls();
        UpdateAppResetList();
    });
    // What the user checks himself is his state now, not a remembered one.
    connect(Check_MeterFeature_AlwaysApp, &QCheckBox::clicked, this, [this] { m_AlwaysAppMemory.reset(); });
    connect(Check_MeterFeature_AlwaysInit, &QCheckBox::clicked, this, [this] { m_AlwaysInitMemory.reset(); });

    connect(Text_MeterFeature_Address[0], &QLineEdit::textChanged, this, [this] { StoreAddressEdit(); });
    connect(Text_MeterFeature_Address[1], &QLineEdit::textChanged, this, [&settings](const QString& text) {
        settings.Save(keys::MeterFeature_Address_1, text);
    });
    for (int i = 0; i < static_cast<int>(Text_MeterFeature_Sec_Address.size()); ++i)
        connect(Text_MeterFeature_Sec_Address[static_cast<size_t>(i)], &QLineEdit::textChanged, this,
                [&settings, i](const QString& text) { settings.Save(keys::MeterFeature_Sec_Address.ForTask(i), text); });
    // The user's choices only: filling the lists at start must not store over them.
    connect(Combo_MeterFeature_LineSpeed, &QComboBox::activated, this,
            [&settings](int index) { settings.Save(keys::MeterFeature_LineSpeed, index); });
    connect(Combo_MeterFeature_AppReset, &QComboBox::activated, this,
            [&settings](int index) { settings.Save(keys::MeterFeature_AppReset, index); });
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
            KeepingRoom(Named(new QLabel(this), ElementName(QStringLiteral("Label_MeterFeature"), i)));
    for (int i = 0; i < static_cast<int>(Text_MeterFeature_Address.size()); ++i) {
        auto* field = KeepingRoom(Named(new QLineEdit(this), ElementName(QStringLiteral("Text_MeterFeature_Address"), i)));
        FitWidthToDigits(field, 3);
        Text_MeterFeature_Address[static_cast<size_t>(i)] = field;
    }
    static constexpr int kSecondaryDigits[] = {8, 4, 2, 2};
    for (int i = 0; i < static_cast<int>(Text_MeterFeature_Sec_Address.size()); ++i) {
        auto* field = KeepingRoom(Named(new QLineEdit(this), ElementName(QStringLiteral("Text_MeterFeature_Sec_Address"), i)));
        FitWidthToDigits(field, kSecondaryDigits[i]);
        // Manufacturer, version and medium are hex codes; the identification
        // number is cleaned up on Apply (digits, F and * kept).
        if (i > 0)
            field->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,%1}").arg(kSecondaryDigits[i])), field));
        Text_MeterFeature_Sec_Address[static_cast<size_t>(i)] = field;
    }
    Check_MeterFeature_UseSecondaryAddress =
        Named(new QCheckBox(this), QStringLiteral("Check_MeterFeature_UseSecondaryAddress"));
    Check_MeterFeature_TestAndDiagnostics =
        KeepingRoom(Named(new QCheckBox(this), QStringLiteral("Check_MeterFeature_TestAndDiagnostics")));

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
    Combo_MeterFeature_LineSpeed = KeepingRoom(Named(new QComboBox(this), QStringLiteral("Combo_MeterFeature_LineSpeed")));
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

QWidget* FeaturePage::BuildResultArea()
{
    // The box and the table take the room the window gives them, never what
    // their text asks: a result does not move the controls above. The area
    // keeps the table's room also while the table is hidden.
    auto* holder = Named(new QWidget(this), QStringLiteral("Frame_MeterFeature_Result"));
    auto* area = new QVBoxLayout(holder);
    area->setContentsMargins(0, 0, 0, 0);
    Text_Info = AddInfo(page::MeterFeature, area, 1);
    const int infoHeight = kResultLines * fontMetrics().lineSpacing() + 2 * Text_Info->frameWidth() + 2;
    Text_Info->SetResultArea(infoHeight);
    Text_Info->SetCopyable(true); // identification numbers and readings are copied from here

    auto* table = Named(new QTableWidget(0, kRecordColumns, this), QStringLiteral("Table_MeterFeature_Records"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    const int rowHeight = table->verticalHeader()->defaultSectionSize();
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() + kRecordRowsShown * rowHeight
                            + 2 * table->frameWidth());
    holder->setMinimumHeight(infoHeight + area->spacing() + table->minimumHeight());
    holder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    table->installEventFilter(this); // Ctrl+C
    table->hide();
    Table_MeterFeature_Records = table;
    area->addWidget(table, 2);
    return holder;
}

QLayout* FeaturePage::BuildButtonRow()
{
    Command_MeterFeature_Apply = Named(new QPushButton(this), QStringLiteral("Command_MeterFeature_Apply"));
    Command_MeterFeature_Search = Named(new QPushButton(this), QStringLiteral("Command_MeterFeature_Search"));
    Command_MeterFeature_Debug = Named(new QPushButton(this), QStringLiteral("Command_MeterFeature_Debug"));
    Command_MeterFeature_CopyRecords =
        KeepingRoom(Named(new QPushButton(this), QStringLiteral("Command_MeterFeature_CopyRecords")));
    Command_MeterFeature_CopyRecords->setEnabled(false);
    Command_MeterFeature_CopyRecords->hide();
    connect(Command_MeterFeature_CopyRecords, &QPushButton::clicked, this, [this] { CopyRecords(); });
    auto* row = new QHBoxLayout;
    row->addWidget(Command_MeterFeature_Apply);
    row->addWidget(Command_MeterFeature_CopyRecords);
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
    Frame_MeterFeature_Function->setTitle(GetLanguageText(featuretext::kFunction));
    for (int i = 0; i < kFeatureCount; ++i)
        Option_SelectMeterFeature[static_cast<size_t>(i)]->setText(
            GetLanguageText(featuretext::kFirstFunctionOption + i));
    Check_MeterFeature_AlwaysInit->setText(GetLanguageText(featuretext::kAlwaysInitialise));
    Check_MeterFeature_AlwaysInit->setToolTip(GetLanguageText(featuretext::kAlwaysInitialiseTip));
    Check_MeterFeature_AlwaysApp->setText(GetLanguageText(featuretext::kAlwaysResetApplication));
    Check_MeterFeature_AlwaysApp->setToolTip(GetLanguageText(featuretext::kAlwaysResetApplicationTip));

    Frame_MeterFeature_Meter->setTitle(GetLanguageText(featuretext::kMeter));
    Label_MeterFeature[0]->setText(GetLanguageText(featuretext::kPrimaryAddress));
    Text_MeterFeature_Address[0]->setToolTip(GetLanguageText(featuretext::kPrimaryAddressTip));
    for (int i = 0; i < 3; ++i)
        Label_MeterFeature[static_cast<size_t>(i + 3)]->setText(GetLanguageText(commtext::kManufacturer + i));
    for (int i = 0; i < 4; ++i)
        Text_MeterFeature_Sec_Address[static_cast<size_t>(i)]->setToolTip(
            GetLanguageText(featuretext::kFirstSecondaryFieldTip + i));
    Check_MeterFeature_UseSecondaryAddress->setText(GetLanguageText(featuretext::kUseSecondaryAddress));
    Check_MeterFeature_UseSecondaryAddress->setToolTip(GetLanguageText(featuretext::kUseSecondaryAddressTip));
    Check_MeterFeature_TestAndDiagnostics->setText(GetLanguageText(featuretext::kBroadcast));
    Check_MeterFeature_TestAndDiagnostics->setToolTip(GetLanguageText(featuretext::kBroadcastTip));

    Label_MeterFeature[1]->setText(GetLanguageText(featuretext::kNewPrimaryAddress));
    Text_MeterFeature_Address[1]->setToolTip(GetLanguageText(featuretext::kNewPrimaryAddressTip));
    Label_MeterFeature[2]->setText(GetLanguageText(featuretext::kNewBusSpeed));
    Combo_MeterFeature_LineSpeed->setToolTip(GetLanguageText(featuretext::kNewBusSpeedTip));
    Label_MeterFeature_AppReset->setText(GetLanguageText(featuretext::kResetSubcode));
    Combo_MeterFeature_AppReset->setToolTip(GetLanguageText(featuretext::kResetSubcodeTip));

    Command_MeterFeature_Apply->setToolTip(GetLanguageText(featuretext::kRunTip));
    Command_MeterFeature_Search->setText(GetLanguageText(featuretext::kSearchMeters));
    Command_MeterFeature_Search->setToolTip(GetLanguageText(featuretext::kSearchTip));
    Command_MeterFeature_Debug->setText(GetLanguageText(featuretext::kDebug));
    Command_MeterFeature_Debug->setToolTip(GetLanguageText(featuretext::kDebugTip));
    Command_MeterFeature_CopyRecords->setText(GetLanguageText(featuretext::kCopyRecords));
    Command_MeterFeature_CopyRecords->setToolTip(GetLanguageText(featuretext::kCopyRecordsTip));
    QStringList columns;
    for (int i = 0; i < kRecordColumns; ++i)
        columns << GetLanguageText(featuretext::kFirstRecordColumn + i);
    Table_MeterFeature_Records->setHorizontalHeaderLabels(columns);
}

void FeaturePage::FillAppResetList()
{
    // Entry 0 sends no subcode; entry i sends subcode (i - 1) * 16 and shows
    // the subcode's meaning (texts 761-776) and its number 0-15.
    QComboBox* list = Combo_MeterFeature_AppReset;
    list->clear();
    list->addItem(GetLanguageText(featuretext::kNoSubcode));
    for (int subcode = 0; subcode < 16; ++subcode)
        list->addItem(GetLanguageText(featuretext::kFirstSubcode + subcode) + QStringLiteral(" - ")
                      + QString::number(subcode));
    // The list stays narrow on the page; its drop-down shows whole entries.
    QAbstractItemView* view = list->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth());
}

void FeaturePage::UpdateAppResetList()
{
    const Feature feature = FeatureAt(SelectedFeature());
    const bool sent = feature == Feature::AppReset
                      || (IsOneOf(feature, {Feature::Identify, Feature::Diagnostics})
                          && Check_MeterFeature_AlwaysApp->isChecked());
    Label_MeterFeature_AppReset->setEnabled(sent);
    Combo_MeterFeature_AppReset->setEnabled(sent);
}

void FeaturePage::ShowRecordRows(const std::optional<DataRecords>& records)
{
    QTableWidget* table = Table_MeterFeature_Records;
    table->setRowCount(0);
    if (records) {
        for (const DataRecord& record : records->records) {
            const int row = table->rowCount();
            table->insertRow(row);
            QStringList cells(kRecordColumns);
            if (record.error.isEmpty()) {
                cells[0] = QString::number(record.storage);
                cells[1] = QString::number(record.tariff);
                cells[2] = QString::number(record.subunit);
                // The decoder's words are English; the window names them in its language.
                cells[3] = record.functionCode ? GetLanguageText(featuretext::kFirstRecordFunction + *record.functionCode)
                                               : record.function;
                cells[4] = record.word
                               ? GetLanguageText(featuretext::kFirstRecordWord + static_cast<int>(*record.word))
                               : record.description;
                cells[6] = record.unit;
            } else {
                cells[4] = GetLanguageText(featuretext::kRecordError) + QStringLiteral(" %1: ").arg(record.position)
                           + record.error;
            }
            cells[5] = record.value;
            for (int column = 0; column < kRecordColumns; ++column)
                table->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    // Most meters have no subunits: the column shows only for one that has,
    // leaving its room to the description and value. The copy keeps it.
    const bool subunits = records && std::any_of(records->records.begin(), records->records.end(),
                                                 [](const DataRecord& record) { return record.subunit != 0; });
    table->setColumnHidden(kSubunitColumn, !subunits);
    Command_MeterFeature_CopyRecords->setEnabled(table->rowCount() > 0);
}

QString FeaturePage::RecordsCsv() const
{
    const QTableWidget* table = Table_MeterFeature_Records;
    QString csv;
    for (int row = -1; row < table->rowCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < kRecordColumns; ++column)
            fields << CsvField(row < 0 ? table->horizontalHeaderItem(column)->text() : table->item(row, column)->text());
        csv += fields.join(u',') + QStringLiteral("\r\n");
    }
    return csv;
}

bool FeaturePage::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+C in the table copies all its rows, as the button does, not the
    // one cell the table itself would.
    if (watched == Table_MeterFeature_Records && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopyRecords();
        return true;
    }
    return WizardPage::eventFilter(watched, event);
}

void FeaturePage::CopyRecords()
{
    if (Table_MeterFeature_Records->rowCount() > 0)
        QApplication::clipboard()->setText(RecordsCsv());
}

void FeaturePage::Prepare(bool back, bool forward)
{
    WizardPage::Prepare(back, forward);
    PrepareLinkTimings(Context(), ini::kFeatureTimings);
    const Settings& settings = Context().settings;
    Text_Info->SetText(GetLanguageText(commtext::kOpeningConnection));

    // The controls are filled from the store, not changed by the user:
    // nothing is stored back and no handler runs until an option is chosen.
    std::vector<QSignalBlocker> silent;
    std::vector<QObject*> controls{Combo_MeterFeature_LineSpeed, Combo_MeterFeature_AppReset,
                                   Check_MeterFeature_TestAndDiagnostics, Check_MeterFeature_UseSecondaryAddress,
                                   Check_MeterFeature_AlwaysInit, Check_MeterFeature_AlwaysApp};
    controls.insert(controls.end(), Text_MeterFeature_Address.begin(), Text_MeterFeature_Address.end());
    controls.insert(controls.end(), Text_MeterFeature_Sec_Address.begin(), Text_MeterFeature_Sec_Address.end());
    silent.reserve(controls.size());
    for (QObject* control : controls)
        silent.emplace_back(control);

    // never chosen: the speed the line runs at, not the slowest one
    SelectStoredIndex(Combo_MeterFeature_LineSpeed, settings.Read(keys::MeterFeature_LineSpeed).isEmpty()
                                                        ? LineSpeedIndexInUse()
                                                        : settings.ReadInt(keys::MeterFeature_LineSpeed));
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

void FeaturePage::Option_SelectMeterFeature_Click(int feature)
{
    if (feature < 0 || feature >= kFeatureCount)
        return;
    Option_SelectMeterFeature[static_cast<size_t>(feature)]->setChecked(true);
    Context().settings.Save(keys::Option_SelectMeterFeature, feature);
    const Feature chosen = FeatureAt(feature);

    if (IsOneOf(chosen, {Feature::Initialise, Feature::AppReset}))
        ForceOff(Check_MeterFeature_AlwaysInit, m_AlwaysInitMemory);
    else
        Restore(Check_MeterFeature_AlwaysInit, m_AlwaysInitMemory);
    if (chosen == Feature::Diagnostics)
        Restore(Check_MeterFeature_AlwaysApp, m_AlwaysAppMemory);
    else
        ForceOff(Check_MeterFeature_AlwaysApp, m_AlwaysAppMemory);
    // Only the reads send the reset before them; elsewhere the box does nothing.
    Check_MeterFeature_AlwaysApp->setEnabled(IsOneOf(chosen, {Feature::Identify, Feature::Diagnostics}));
    UpdateAppResetList();
    const bool records = chosen == Feature::Identify;
    Table_MeterFeature_Records->setVisible(records);
    Command_MeterFeature_CopyRecords->setVisible(records);
    ShowRecordRows(std::nullopt);
    Label_MeterFeature[1]->setVisible(chosen == Feature::ChangeAddress);
    Text_MeterFeature_Address[1]->setVisible(chosen == Feature::ChangeAddress);
    Label_MeterFeature[2]->setVisible(chosen == Feature::ChangeSpeed);
    Combo_MeterFeature_LineSpeed->setVisible(chosen == Feature::ChangeSpeed);
    // The address fields follow (the broadcast box and secondary addressing).
    Check_MeterFeature_UseSecondaryAddress_Click();

    ShowFeatureCaptions();
    Text_Info->SetText(GetLanguageText(featuretext::kFirstFunctionInfo + feature));
    UpdateDebugPoll();
}

void FeaturePage::Check_MeterFeature_UseSecondaryAddress_Click()
{
    const Feature feature = FeatureAt(SelectedFeature());
    const bool secondary = Check_MeterFeature_UseSecondaryAddress->isChecked();
    if (secondary) {
        // No SND_NKE goes to a slave selected by secondary address, and no broadcast.
        ForceOff(Check_MeterFeature_AlwaysInit, m_AlwaysInitMemory);
        if (IsOneOf(feature, {Feature::Initialise, Feature::Identify, Feature::Diagnostics}))
            Check_MeterFeature_TestAndDiagnostics->setChecked(false);
    } else if (!IsOneOf(feature, {Feature::Initialise, Feature::AppReset})) {
        Restore(Check_MeterFeature_AlwaysInit, m_AlwaysInitMemory);
    }
    Check_MeterFeature_AlwaysInit->setEnabled(!secondary
                                              && !IsOneOf(feature, {Feature::Initialise, Feature::AppReset}));
    UpdateAddressControls();
}

bool FeaturePage::BroadcastInUse() const
{
    const Feature feature = FeatureAt(SelectedFeature());
    // An application reset before a read never goes to every slave at once.
    return Check_MeterFeature_TestAndDiagnostics->isChecked()
           && IsOneOf(feature, {Feature::Initialise, Feature::Identify, Feature::Diagnostics}) &&
           !Check_MeterFeature_UseSecondaryAddress->isChecked() &&
           !(Check_MeterFeature_AlwaysApp->isChecked() && IsOneOf(feature, {Feature::Identify, Feature::Diagnostics}));
}

void FeaturePage::UpdateAddressControls()
{
    const Feature feature = FeatureAt(SelectedFeature());
    const bool secondary = Check_MeterFeature_UseSecondaryAddress->isChecked();
    Text_MeterFeature_Address[0]->setVisible(!secondary);
    Label_MeterFeature[0]->setText(GetLanguageText(secondary ? commtext::kIdentity : featuretext::kPrimaryAddress));
    Label_MeterFeature[0]->setBuddy(secondary ? Text_MeterFeature_Sec_Address[0] : Text_MeterFeature_Address[0]);
    for (int i = 3; i < 6; ++i)
        Label_MeterFeature[static_cast<size_t>(i)]->setVisible(secondary);
    for (QLineEdit* field : Text_MeterFeature_Sec_Address)
        field->setVisible(secondary);

    QCheckBox* broadcastBox = Check_MeterFeature_TestAndDiagnostics;
    broadcastBox->setVisible(
        IsOneOf(feature, {Feature::Initialise, Feature::Identify, Feature::Diagnostics, Feature::AppReset}));
    broadcastBox->setEnabled(!secondary && feature != Feature::AppReset &&
                             !(Check_MeterFeature_AlwaysApp->isChecked()
                               && IsOneOf(feature, {Feature::Identify, Feature::Diagnostics})));
    // The field shows the address the operation goes to: 254 for a
    // broadcast, otherwise the meter's own, which stays stored meanwhile.
    const bool broadcast = BroadcastInUse();
    Text_MeterFeature_Address[0]->setText(broadcast ? QString::number(kBroadcastAddress)
                                                    : Context().settings.Read(keys::MeterFeature_Address_0));
    Text_MeterFeature_Address[0]->setEnabled(!broadcast);
}

void FeaturePage::StoreAddressEdit()
{
    if (!BroadcastInUse())
        Context().settings.Save(keys::MeterFeature_Address_0, Text_MeterFeature_Address[0]->text());
}

std::pair<quint8, int> FeaturePage::ClampedAddresses()
{
    qint64 target = LeadingNumber(Text_MeterFeature_Address[0]->text());
    if (target < 0)
        target = 0;
    else if (target > kHighestTarget)
        target = kClampedAddress;
    qint64 newAddress = LeadingNumber(Text_MeterFeature_Address[1]->text());
    if (newAddress < 0)
        newAddress = 0;
    else if (newAddress > kHighestNewAddress)
        newAddress = kClampedAddress;
    Text_MeterFeature_Address[0]->setText(QString::number(target));
    Text_MeterFeature_Address[1]->setText(QString::number(newAddress));
    return {static_cast<quint8>(target), static_cast<int>(newAddress)};
}

void FeaturePage::NormaliseSecondaryFields()
{
    static constexpr int kWidths[] = {8, 4, 2, 2};
    QLineEdit* id = Text_MeterFeature_Sec_Address[0];
    id->setText(NormaliseSecondaryId(id->text(), kWidths[0]));
    for (int i = 1; i < 4; ++i) {
        QLineEdit* field = Text_MeterFeature_Sec_Address[static_cast<size_t>(i)];
        field->setText(PadLeft(field->text(), kWidths[i], u'F'));
    }
}

bool FeaturePage::ConfirmedForEveryMeter()
{
    // Asked before the operation starts: the question's own event loop must
    // not run inside it.
    if (Context().operations.Busy() || Check_MeterFeature_UseSecondaryAddress->isChecked()
        || !IsOneOf(FeatureAt(SelectedFeature()), {Feature::ChangeAddress, Feature::ChangeSpeed, Feature::AppReset}))
        return true;
    const quint8 target = ClampedAddresses().first;
    if (!mbus::IsBroadcast(target))
        return true;
    return QMessageBox::question(this, window()->windowTitle(),
                                 GetLanguageText(featuretext::kEveryMeterQuestion).arg(target),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void FeaturePage::Command_MeterFeature_Apply_Click()
{
    if (!ConfirmedForEveryMeter())
        return;
    // The question about the new speed waits until the operation is over.
    if (const std::optional<quint8> changed = RunFeature())
        FollowNewSpeed(*changed, Combo_MeterFeature_LineSpeed->currentIndex());
}

std::optional<quint8> FeaturePage::RunFeature()
{
    const DeviceOperationScope operation(Context().operations);
    if (!operation)
        return std::nullopt;
    const FeatureProtocol::Busy busy(m_Protocol);
    Context().log.SetSearchTrace(false);
    const auto [target, newAddress] = ClampedAddresses();
    const Settings& settings = Context().settings;
    const bool alwaysInit = IsChecked(settings, keys::MeterFeature_AlwaysInit);
    const bool alwaysApp = IsChecked(settings, keys::MeterFeature_AlwaysApp);
    NormaliseSecondaryFields();

    const Feature feature = FeatureAt(SelectedFeature());
    quint8 address = target;
    if (BroadcastInUse()) {
        address = kBroadcastAddress;
    } else if (Check_MeterFeature_UseSecondaryAddress->isChecked()) {
        if (!m_Protocol.SelectSlaveBySecondaryAddress(
                Text_MeterFeature_Sec_Address[0]->text(), Text_MeterFeature_Sec_Address[1]->text(),
                Text_MeterFeature_Sec_Address[2]->text(), Text_MeterFeature_Sec_Address[3]->text()))
            return std::nullopt;
        address = mbus::kSelectedSlave;
    }
    m_Protocol.SetAppResetChoice(Combo_MeterFeature_AppReset->currentIndex());
    switch (feature) {
    case Feature::Initialise:
        m_Protocol.InitialiseSlave(address);
        break;
    case Feature::Identify:
    case Feature::Diagnostics:
        ShowRecordRows(m_Protocol
                           .ReadSlaveIdentification(feature == Feature::Identify ? FeatureProtocol::ReadMode::Identify
                                                                                 : FeatureProtocol::ReadMode::Diagnostics,
                                                    address, alwaysInit, alwaysApp)
                           .records);
        break;
    case Feature::ChangeAddress:
    case Feature::ChangeSpeed: {
        const ChangeOutcome outcome = m_Protocol.ChangeSlaveSetting(
            feature == Feature::ChangeAddress ? FeatureProtocol::SettingChange::Address
                                              : FeatureProtocol::SettingChange::Speed,
            address, newAddress, Combo_MeterFeature_LineSpeed->currentIndex(), alwaysInit);
        if (outcome == ChangeOutcome::Unawaited) {
            // Closing the wizard ended the wait, but the change went out: the
            // meter may have taken it, and the user hears so before the window goes.
            QMessageBox::warning(this, window()->windowTitle(), GetLanguageText(featuretext::kChangeUnawaited));
        }
        if (outcome != ChangeOutcome::Acknowledged)
            break;
        if (feature == Feature::ChangeSpeed)
            return address; // read back once the line follows
        // Whether the meter really moved: it answers at its new address.
        m_Protocol.ReadBackSlave(static_cast<quint8>(newAddress), SelectedSecondary());
        break;
    }
    case Feature::AppReset:
        m_Protocol.ResetSlaveApplication(address, alwaysInit);
        break;
    default:
        break;
    }
    return std::nullopt;
}

std::optional<SecondaryAddress> FeaturePage::SelectedSecondary() const
{
    if (!Check_MeterFeature_UseSecondaryAddress->isChecked())
        return std::nullopt;
    return SecondaryAddress{Text_MeterFeature_Sec_Address[0]->text(), Text_MeterFeature_Sec_Address[1]->text(),
                            Text_MeterFeature_Sec_Address[2]->text(), Text_MeterFeature_Sec_Address[3]->text()};
}

int FeaturePage::LineSpeedIndexInUse() const
{
    const ConnectionRequest request = ConnectionRequestFromSettings(Context().settings, Context().state.WhatToDo);
    // Over the network the gateway's line speed is in its record, which this page does not read.
    const qsizetype index = request.serial ? mbus::kLineSpeeds.indexOf(ParseLineSettings(request.lineSettings).baud) : -1;
    return static_cast<int>(index >= 0 ? index : mbus::kLineSpeeds.indexOf(kUsualLineSpeed));
}

void FeaturePage::FollowNewSpeed(quint8 address, int speedIndex)
{
    WizardContext& context = Context();
    const int baud = mbus::kLineSpeeds.value(speedIndex);
    if (context.connection.Mode() != ConnectionMode::Serial) {
        // The gateway sets the line's speed: only its network settings can follow the meter.
        Text_Info->AppendText(GetLanguageText(featuretext::kFollowSpeedNetwork).arg(baud));
        return;
    }
    if (QMessageBox::question(this, window()->windowTitle(), GetLanguageText(featuretext::kFollowSpeedQuestion).arg(baud),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        != QMessageBox::Yes) {
        const int inUse = ParseLineSettings(context.connection.Request().lineSettings).baud;
        Text_Info->AppendText(GetLanguageText(featuretext::kStaysAtSpeed).arg(inUse));
        return;
    }
    // The connection page's list holds the bus speeds in the same order.
    context.settings.Save(keys::Combo_EnterIPAddress_BaudRate.ForTask(context.state.WhatToDo), speedIndex);
    context.connection.CloseConnection();
    m_ConnectionOpened = OpenPageConnection(context, Host().Window());
    Command_MeterFeature_Apply->setEnabled(m_ConnectionOpened && !context.operations.Busy());
    if (!m_ConnectionOpened) {
        Text_Info->AppendText(ConnectionFailureText(context, QStringLiteral("\r\nError description: ")));
        return;
    }
    const DeviceOperationScope operation(context.operations);
    if (operation)
        m_Protocol.ReadBackSlave(address, SelectedSecondary());
}

void FeaturePage::SetInfo(const QString& text)
{
    Text_Info->SetText(text);
}

void FeaturePage::AppendInfo(const QString& text)
{
    Text_Info->AppendText(text);
}

void FeaturePage::SetBusy(bool busy)
{
    if (busy) {
        m_FocusBeforeBusy = QApplication::focusWidget();
        ShowRecordRows(std::nullopt); // the rows are the last operation's, not an earlier one's
    }
    if (QWidget* window = Host().Window())
        window->setEnabled(!busy);
    Command_MeterFeature_Apply->setEnabled(!busy && m_ConnectionOpened);
    Host().SetBackEnabled(!busy);
    if (busy) {
        setCursor(Qt::BusyCursor);
        Text_Info->repaint(); // "working" is seen before the wait
        return;
    }
    // A result longer than the box is read from its start: the identification
    // or the bus values first, the records or the frame below.
    Text_Info->ScrollToStart();
    // Back where the user was, so the keyboard can run the operation again.
    if (m_FocusBeforeBusy)
        m_FocusBeforeBusy->setFocus();
    unsetCursor();
}

void FeaturePage::ShowFeatureCaptions()
{
    const int feature = SelectedFeature();
    HeaderLabel()->setText(Check_MeterFeature_AlwaysInit->isChecked()
                               ? GetLanguageText(featuretext::kFirstInitialisingHeader + feature)
                               : GetLanguageText(featuretext::kFirstFunctionHeader + feature));
    Command_MeterFeature_Apply->setText(u'&' + GetLanguageText(featuretext::kFirstApplyButton + feature));
}

void FeaturePage::Enter(bool back, bool forward)
{
    WizardPage::Enter(back, forward);
    const bool opened = OpenPageConnection(Context(), Host().Window());
    m_ConnectionOpened = opened;
    Command_MeterFeature_Apply->setEnabled(opened && !Context().operations.Busy());
    if (opened) {
        Option_SelectMeterFeature_Click(SelectedFeature());
        return;
    }
    Text_Info->SetText(ConnectionFailureText(Context(), QStringLiteral("\r\nError description: ")));
    UpdateDebugPoll();
}

void FeaturePage::Leave(bool back, bool forward)
{
    WizardPage::Leave(back, forward);
    m_ConnectionOpened = false;
    Context().connection.CloseConnection();
}

void FeaturePage::UpdateDebugPoll()
{
    if (Ostrand_Debug* window = Host().DebugWindow())
        OfferDebugPoll(*window);
}

void FeaturePage::OfferDebugPoll(Ostrand_Debug& window)
{
    const bool repeatable = IsOneOf(FeatureAt(SelectedFeature()), {Feature::Initialise, Feature::Diagnostics})
                            && Context().state.CurrentPage == page::MeterFeature;
    window.SetPollAction(repeatable ? std::function<void()>([this] { Command_MeterFeature_Apply->click(); })
                                    : std::function<void()>());
    window.SetPollEnabled(repeatable);
}
