#include "modbuspage.h"

#include "shell/pageconnection.h"
#include "shell/wizardcontext.h"

#include "shell/pagecontrols.h"
#include "shell/pageflow.h"
#include "shell/resultlabel.h"
#include "shell/wizardhost.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The data types in the order of their codes: a list index is the type code.
const QStringList kDataTypes = {
    QStringLiteral("INT16"),  QStringLiteral("UINT16"), QStringLiteral("INT32"),  QStringLiteral("UINT32"),
    QStringLiteral("INT64"),  QStringLiteral("UINT64"), QStringLiteral("FLOAT"),  QStringLiteral("DFLOAT"),
    QStringLiteral("CHAR2"),  QStringLiteral("CHAR4"),  QStringLiteral("CHAR6"),  QStringLiteral("CHAR8"),
    QStringLiteral("CHAR10"), QStringLiteral("CHAR12"), QStringLiteral("CHAR14"), QStringLiteral("CHAR16"),
};
// Every row starts as INT16, whose word orders these are.
const QStringList kInt16WordOrders = {QStringLiteral("AB"), QStringLiteral("BA")};

constexpr int kRegisterDigits = 5; // 0-65535

// Register, data type, word order, bytes, value, description.
constexpr int kValueColumns = 6;
constexpr int kFirstSharedColumn = 3;

} // namespace

ModbusPage::ModbusPage(WizardHost& host, QWidget* parent)
    : WizardPage(page::Modbus, host, parent)
{
    Body()->addLayout(BuildRequest());
    Body()->addWidget(BuildValueRows());
    lblModbusResultText = Named(new ResultLabel(this), QStringLiteral("lblModbusResultText"));
    auto* results = new QHBoxLayout;
    results->addWidget(lblModbusResultText, 1, Qt::AlignTop);
    results->addLayout(BuildButtons());
    Body()->addLayout(results);
    Body()->addStretch(1);
    connect(Command_ModBus_MeterFeature_Debug, &QPushButton::clicked, this, [this] { Host().ToggleDebugWindow(); });
}

QLayout* ModbusPage::BuildRequest()
{
    lblModbusProtocol = Named(new QLabel(this), QStringLiteral("lblModbusProtocol"));
    m_Framing = new QButtonGroup(this);
    auto* framing = new QHBoxLayout;
    const QString framingNames[] = {QStringLiteral("RTU"), QStringLiteral("TCP")};
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(framingNames[i], this);
        option->setObjectName(ElementName(QStringLiteral("optModBusRtuTcp"), i));
        m_Framing->addButton(option, i);
        framing->addWidget(option);
        optModBusRtuTcp[static_cast<size_t>(i)] = option;
    }
    framing->addStretch(1);

    lblModbusSlaveAddress = Named(new QLabel(this), QStringLiteral("lblModbusSlaveAddress"));
    txtModbusSlaveAddress = Named(new QLineEdit(this), QStringLiteral("txtModbusSlaveAddress"));
    FitWidthToDigits(txtModbusSlaveAddress, 3);
    lblModbusFunction = Named(new QLabel(this), QStringLiteral("lblModbusFunction"));
    cboModbusFunction = Named(new QComboBox(this), QStringLiteral("cboModbusFunction"));
    lblModbusFirstRegister = Named(new QLabel(this), QStringLiteral("lblModbusFirstRegister"));
    txtModbusFirstRegister = Named(new QLineEdit(this), QStringLiteral("txtModbusFirstRegister"));
    FitWidthToDigits(txtModbusFirstRegister, kRegisterDigits);
    lblModbusNoOfRegisters = Named(new QLabel(this), QStringLiteral("lblModbusNoOfRegisters"));
    txtModbusNoOfRegisters = Named(new QLineEdit(this), QStringLiteral("txtModbusNoOfRegisters"));
    FitWidthToDigits(txtModbusNoOfRegisters, kRegisterDigits);
    ChkModbusAutoRegister = Named(new QCheckBox(this), QStringLiteral("ChkModbusAutoRegister"));
    lblModbusSlaveAddress->setBuddy(txtModbusSlaveAddress);
    lblModbusFunction->setBuddy(cboModbusFunction);
    lblModbusFirstRegister->setBuddy(txtModbusFirstRegister);
    lblModbusNoOfRegisters->setBuddy(txtModbusNoOfRegisters);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->addWidget(lblModbusProtocol, 0, 0);
    grid->addLayout(framing, 0, 1);
    grid->addWidget(lblModbusFunction, 0, 3);
    grid->addWidget(cboModbusFunction, 0, 4, Qt::AlignLeft);
    grid->addWidget(lblModbusSlaveAddress, 1, 0);
    grid->addWidget(txtModbusSlaveAddress, 1, 1, Qt::AlignLeft);
    grid->addWidget(lblModbusFirstRegister, 1, 3);
    grid->addWidget(txtModbusFirstRegister, 1, 4, Qt::AlignLeft);
    grid->addWidget(ChkModbusAutoRegister, 2, 0, 1, 2);
    grid->addWidget(lblModbusNoOfRegisters, 2, 3);
    grid->addWidget(txtModbusNoOfRegisters, 2, 4, Qt::AlignLeft);
    grid->setColumnMinimumWidth(2, 12);
    grid->setColumnStretch(5, 1);
    return grid;
}

QWidget* ModbusPage::BuildValueRows()
{
    grdModbusValues = Named(new QTableWidget(kValueRows, kValueColumns, this), QStringLiteral("grdModbusValues"));
    grdModbusValues->verticalHeader()->hide();
    grdModbusValues->setSelectionMode(QAbstractItemView::NoSelection);
    grdModbusValues->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdModbusValues->setFocusPolicy(Qt::NoFocus); // the fields in the cells take the focus
    grdModbusValues->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    for (int row = 0; row < kValueRows; ++row)
        AddValueRow(row);

    // All six rows always show; the bytes, the value and the description
    // share the width the register, type and order leave.
    const int rowHeight = cboModbusDatatype[0]->sizeHint().height();
    QHeaderView* rows = grdModbusValues->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(rowHeight);
    QHeaderView* columns = grdModbusValues->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setTextElideMode(Qt::ElideRight);
    for (int column = 0; column < kValueColumns; ++column)
        columns->setSectionResizeMode(column, column < kFirstSharedColumn ? QHeaderView::Fixed : QHeaderView::Stretch);
    grdModbusValues->setFixedHeight(columns->sizeHint().height() + kValueRows * rowHeight +
                                    2 * grdModbusValues->frameWidth());
    return grdModbusValues;
}

void ModbusPage::AddValueRow(int row)
{
    const auto at = static_cast<size_t>(row);
    txtModbusRegister[at] = Named(new QLineEdit, ElementName(QStringLiteral("txtModbusRegister"), row));
    FitWidthToDigits(txtModbusRegister[at], kRegisterDigits);
    cboModbusDatatype[at] = Named(new QComboBox, ElementName(QStringLiteral("cboModbusDatatype"), row));
    cboModbusFormat[at] = Named(new QComboBox, ElementName(QStringLiteral("cboModbusFormat"), row));
    // The word orders change with the type; the list keeps its width.
    cboModbusFormat[at]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboModbusFormat[at]->setMinimumContentsLength(4);
    txtModbusByte[at] = Named(new QLineEdit, ElementName(QStringLiteral("txtModbusByte"), row));
    txtModbusValue[at] = Named(new QLineEdit, ElementName(QStringLiteral("txtModbusValue"), row));
    txtModbusDescription[at] = Named(new QLineEdit, ElementName(QStringLiteral("txtModbusDescription"), row));

    QWidget* cells[] = {txtModbusRegister[at], cboModbusDatatype[at], cboModbusFormat[at],
                        txtModbusByte[at],     txtModbusValue[at],    txtModbusDescription[at]};
    for (int column = 0; column < kValueColumns; ++column) {
        if (auto* field = qobject_cast<QLineEdit*>(cells[column]))
            field->setFrame(false); // the table draws the cell borders
        grdModbusValues->setCellWidget(row, column, cells[column]);
    }
}

QLayout* ModbusPage::BuildButtons()
{
    QPushButton** buttons[] = {&Command_ModBus_MeterFeature_Read, &Command_ModBus_MeterFeature_Write,
                               &Command_ModBus_MeterFeature_Clear, &Command_ModBus_MeterFeature_Save,
                               &Command_ModBus_MeterFeature_Get,   &Command_ModBus_MeterFeature_Debug};
    const char* names[] = {"Command_ModBus_MeterFeature_Read",  "Command_ModBus_MeterFeature_Write",
                           "Command_ModBus_MeterFeature_Clear", "Command_ModBus_MeterFeature_Save",
                           "Command_ModBus_MeterFeature_Get",   "Command_ModBus_MeterFeature_Debug"};
    // Reading in the first row, files and the log in the second.
    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    for (int i = 0; i < 6; ++i) {
        *buttons[i] = Named(new QPushButton(this), QLatin1String(names[i]));
        grid->addWidget(*buttons[i], i / 3, i % 3);
    }
    return grid;
}

void ModbusPage::Startup()
{
    SetTexts();
    FillLists();
    FitValueColumns();
    optModBusRtuTcp[1]->setChecked(true);
    // Register numbers are counted from the first register, not typed.
    ChkModbusAutoRegister->setChecked(true);
    for (QLineEdit* field : txtModbusRegister)
        field->setEnabled(false);
}

void ModbusPage::SetTexts()
{
    HeaderLabel()->setText(GetLanguageText(1000));
    lblModbusProtocol->setText(GetLanguageText(1001));
    lblModbusSlaveAddress->setText(GetLanguageText(1002));
    lblModbusFunction->setText(GetLanguageText(1003));
    cboModbusFunction->setToolTip(GetLanguageText(1019));
    lblModbusFirstRegister->setText(GetLanguageText(1004));
    lblModbusNoOfRegisters->setText(GetLanguageText(1005));
    ChkModbusAutoRegister->setText(GetLanguageText(1012));

    grdModbusValues->setHorizontalHeaderLabels({GetLanguageText(1006), GetLanguageText(1007), GetLanguageText(1008),
                                                GetLanguageText(1009), GetLanguageText(1010), GetLanguageText(1011)});

    Command_ModBus_MeterFeature_Read->setText(GetLanguageText(1013));
    Command_ModBus_MeterFeature_Write->setText(GetLanguageText(1014));
    Command_ModBus_MeterFeature_Clear->setText(GetLanguageText(1015));
    Command_ModBus_MeterFeature_Save->setText(GetLanguageText(1016));
    Command_ModBus_MeterFeature_Get->setText(GetLanguageText(1017));
    Command_ModBus_MeterFeature_Debug->setText(GetLanguageText(1018));
}

void ModbusPage::FitValueColumns()
{
    // Wide enough for the title and the field, whichever is wider.
    QHeaderView* columns = grdModbusValues->horizontalHeader();
    for (int column = 0; column < kFirstSharedColumn; ++column) {
        const QWidget* field = grdModbusValues->cellWidget(0, column);
        const int fieldWidth = field->minimumWidth() > 0 ? field->minimumWidth() : field->sizeHint().width();
        columns->resizeSection(column, std::max(columns->sectionSizeHint(column), fieldWidth));
    }
}

void ModbusPage::FillLists()
{
    cboModbusFunction->clear();
    cboModbusFunction->addItems({QStringLiteral("3"), QStringLiteral("4")});
    cboModbusFunction->setCurrentIndex(0);
    for (int row = 0; row < kValueRows; ++row) {
        const auto at = static_cast<size_t>(row);
        cboModbusDatatype[at]->clear();
        cboModbusDatatype[at]->addItems(kDataTypes);
        cboModbusDatatype[at]->setCurrentIndex(0);
        cboModbusFormat[at]->clear();
        cboModbusFormat[at]->addItems(kInt16WordOrders);
        cboModbusFormat[at]->setCurrentIndex(0);
    }
}

void ModbusPage::Prepare(bool back, bool forward)
{
    WizardPage::Prepare(back, forward);
    PrepareLinkTimings(Context(), ini::kModbusTimings);
    lblModbusResultText->ShowResult(GetLanguageText(364), ResultKind::Success);
    Host().SetNextEnabled(false);
}

void ModbusPage::Enter(bool back, bool forward)
{
    WizardPage::Enter(back, forward);
    if (!EnterReadPage(Context(), Host().Window(), lblModbusResultText, Command_ModBus_MeterFeature_Read))
        return;
    if (Ostrand_Debug* window = Host().DebugWindow())
        OfferDebugPoll(*window);
}

void ModbusPage::Leave(bool back, bool forward)
{
    WizardPage::Leave(back, forward);
    if (back)
        Context().connection.CloseConnection();
}

void ModbusPage::OfferDebugPoll(Ostrand_Debug& window)
{
    window.SetPollAction([this] { Command_ModBus_MeterFeature_Read->click(); });
    window.SetPollEnabled(true);
}
