#include "modbuspage.h"

#include "modbusorderswindow.h"
#include "modbusplotwindow.h"

#include "modbustexts.h"
#include "base/windowplacement.h"
#include "shell/busyguard.h"
#include "shell/debugwindow.h"
#include "shell/fileerrordialog.h"
#include "shell/savefiledialog.h"
#include "shell/wizardcontext.h"

#include "shell/pagecontrols.h"
#include "base/pageflow.h"
#include "shell/resultlabel.h"
#include "base/textnumber.h"
#include "shell/wizardhost.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QGridLayout>
#include <QHideEvent>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QEvent>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kRegisterDigits = 5; // 0-65535
constexpr qint64 kHighestSlaveAddress = 255;
constexpr qint64 kHighestRegister = 65535;

// Register, data type, word order, bytes, value, description.
constexpr int kValueColumns = 6;
constexpr int kFirstSharedColumn = 3;
constexpr int kBytesColumn = 3;
constexpr int kValueColumn = 4;
// The bytes column has room for this at least (two registers).
const QString kLeastBytes = QStringLiteral("0000 0000");

} // namespace

ModbusPage::ModbusPage(WizardHost& host, QWidget* parent)
    : ReadPage(page::Modbus, ini::kModbusTimings, host, parent)
    , m_Client(host.Context().connection, host.Context().link, host.Context().log)
{
    Body()->addLayout(BuildRequest());
    Body()->addWidget(BuildValueRows());
    // The result has the page's width: an exception's text reads on one line.
    lblModbusResultText = Named(new ResultLabel(this), QStringLiteral("lblModbusResultText"));
    Body()->addWidget(lblModbusResultText);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addLayout(BuildButtons());
    Body()->addLayout(buttons);
    Body()->addStretch(1);
    ConnectControls();
    chooseSaveFile = [this] {
        return ChooseSaveFileName(Host().Window(), Context().settings, FileKind::ModbusConfiguration,
                                  QStringLiteral("Save Modbus Configuration"));
    };
    chooseOpenFile = [this] {
        return ChooseOpenFileName(Host().Window(), Context().settings, FileKind::ModbusConfiguration,
                                  QStringLiteral("Get Modbus Configuration"), Context().appPath);
    };
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
    // The function list, which names what it reads, under the slave it asks;
    // the counting of register numbers, which is about the rows, below.
    grid->addWidget(lblModbusProtocol, 0, 0);
    grid->addLayout(framing, 0, 1);
    grid->addWidget(lblModbusFirstRegister, 0, 3);
    grid->addWidget(txtModbusFirstRegister, 0, 4, Qt::AlignLeft);
    grid->addWidget(lblModbusSlaveAddress, 1, 0);
    grid->addWidget(txtModbusSlaveAddress, 1, 1, Qt::AlignLeft);
    grid->addWidget(lblModbusNoOfRegisters, 1, 3);
    grid->addWidget(txtModbusNoOfRegisters, 1, 4, Qt::AlignLeft);
    grid->addWidget(lblModbusFunction, 2, 0);
    grid->addWidget(cboModbusFunction, 2, 1, Qt::AlignLeft);
    grid->addWidget(ChkModbusAutoRegister, 3, 0, 1, 5);
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

    // All six rows always show. The bytes and the value are as wide as their
    // texts as far as the page allows, and the description takes what is left.
    const int rowHeight = cboModbusDatatype[0]->sizeHint().height();
    QHeaderView* rows = grdModbusValues->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(rowHeight);
    QHeaderView* columns = grdModbusValues->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setTextElideMode(Qt::ElideRight);
    for (int column = 0; column < kValueColumns; ++column)
        columns->setSectionResizeMode(column, column + 1 < kValueColumns ? QHeaderView::Fixed : QHeaderView::Stretch);
    // A narrow description shows the beginning of its title rather than
    // pushing the cells out of sight.
    columns->setMinimumSectionSize(4 * fontMetrics().averageCharWidth());
    grdModbusValues->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdModbusValues->viewport()->installEventFilter(this); // its width shares out the columns
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
                               &Command_ModBus_MeterFeature_Clear, &cmdModbusShowAllOrders,
                               &cmdModbusPlot, &Command_ModBus_MeterFeature_Save,
                               &Command_ModBus_MeterFeature_Get, &Command_ModBus_MeterFeature_Debug};
    const char* names[] = {"Command_ModBus_MeterFeature_Read",  "Command_ModBus_MeterFeature_Write",
                           "Command_ModBus_MeterFeature_Clear", "cmdModbusShowAllOrders",
                           "cmdModbusPlot",                     "Command_ModBus_MeterFeature_Save",
                           "Command_ModBus_MeterFeature_Get",   "Command_ModBus_MeterFeature_Debug"};
    // Reading and its values in the first row, the files and the log in the second.
    constexpr int kColumns = 4;
    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    int cell = 0;
    for (int i = 0; i < static_cast<int>(std::size(names)); ++i) {
        *buttons[i] = Named(new QPushButton(this), QLatin1String(names[i]));
        if (*buttons[i] == Command_ModBus_MeterFeature_Write)
            continue; // only reading is offered: it would do nothing
        grid->addWidget(*buttons[i], cell / kColumns, cell % kColumns);
        ++cell;
    }
    Command_ModBus_MeterFeature_Write->hide();
    return grid;
}

ModbusPage::~ModbusPage()
{
    // Windows of their own beside the wizard: a read disables the wizard and
    // all its children, and these should not flicker with every poll.
    delete m_OrdersWindow.data();
    delete m_PlotWindow.data();
}

void ModbusPage::hideEvent(QHideEvent* event)
{
    // They belong to this page's rows: they go when the page is left or the
    // wizard closes (not when the wizard is only minimised).
    if (!event->spontaneous()) {
        if (m_OrdersWindow)
            m_OrdersWindow->close();
        if (m_PlotWindow)
            m_PlotWindow->close();
    }
    ReadPage::hideEvent(event);
}

void ModbusPage::Startup()
{
    SetTexts();
    FillLists();
    FitValueColumns();
    FitTextColumns();
    optModBusRtuTcp[1]->setChecked(true);
    // A read works as the page opens: slave 1, its first register.
    txtModbusSlaveAddress->setText(QStringLiteral("1"));
    txtModbusFirstRegister->setText(QStringLiteral("0"));
    txtModbusNoOfRegisters->setText(QStringLiteral("1"));
    // Register numbers are counted from the first register, not typed.
    ChkModbusAutoRegister->setChecked(true);
    for (QLineEdit* field : txtModbusRegister)
        field->setEnabled(false);
    UpdateModbusRows();
}

void ModbusPage::SetTexts()
{
    HeaderLabel()->setText(GetLanguageText(modbustext::kModbusHeader));
    lblModbusProtocol->setText(GetLanguageText(modbustext::kProtocol));
    lblModbusSlaveAddress->setText(GetLanguageText(modbustext::kSlaveAddress));
    lblModbusFunction->setText(GetLanguageText(modbustext::kFunction));
    cboModbusFunction->setToolTip(GetLanguageText(modbustext::kFunctionTip));
    lblModbusFirstRegister->setText(GetLanguageText(modbustext::kFirstRegister));
    lblModbusNoOfRegisters->setText(GetLanguageText(modbustext::kRegisterCount));
    ChkModbusAutoRegister->setText(GetLanguageText(modbustext::kCountRegisters));

    grdModbusValues->setHorizontalHeaderLabels(
        {GetLanguageText(modbustext::kRegister), GetLanguageText(modbustext::kDataType),
         GetLanguageText(modbustext::kWordOrder), GetLanguageText(modbustext::kBytes),
         GetLanguageText(modbustext::kValue), GetLanguageText(modbustext::kDescription)});

    Command_ModBus_MeterFeature_Read->setText(GetLanguageText(modbustext::kRead));
    Command_ModBus_MeterFeature_Write->setText(GetLanguageText(modbustext::kWrite));
    Command_ModBus_MeterFeature_Clear->setText(GetLanguageText(modbustext::kClear));
    Command_ModBus_MeterFeature_Save->setText(GetLanguageText(modbustext::kSave));
    Command_ModBus_MeterFeature_Get->setText(GetLanguageText(modbustext::kGet));
    Command_ModBus_MeterFeature_Debug->setText(GetLanguageText(modbustext::kDebug));
    cmdModbusShowAllOrders->setText(GetLanguageText(modbustext::kShowAllOrders));
    cmdModbusPlot->setText(GetLanguageText(modbustext::kPlot));
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

bool ModbusPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grdModbusValues->viewport() && event->type() == QEvent::Resize)
        FitTextColumns();
    return ReadPage::eventFilter(watched, event);
}

void ModbusPage::FitTextColumns()
{
    QHeaderView* columns = grdModbusValues->horizontalHeader();
    const int padding = 2 * fontMetrics().averageCharWidth();
    const auto needed = [&](int column, const Rows<QLineEdit>& fields, const QString& least) {
        int width = std::max(columns->sectionSizeHint(column),
                             fields[0]->fontMetrics().horizontalAdvance(least) + padding);
        for (const QLineEdit* field : fields)
            width = std::max(width, field->fontMetrics().horizontalAdvance(field->text()) + padding);
        return width;
    };
    int room = grdModbusValues->viewport()->width() - columns->minimumSectionSize(); // the description's least
    for (int column = 0; column < kBytesColumn; ++column)
        room -= columns->sectionSize(column);
    // The bytes first: the value of a long text shows in its own column anyway.
    const int value = needed(kValueColumn, txtModbusValue, QString(kRegisterDigits * 2, u'0'));
    const int bytes = std::max(std::min(needed(kBytesColumn, txtModbusByte, kLeastBytes), room - value),
                               columns->sectionSizeHint(kBytesColumn));
    const int widths[] = {bytes, std::max(std::min(value, room - bytes), columns->sectionSizeHint(kValueColumn))};
    for (const int column : {kBytesColumn, kValueColumn}) {
        if (columns->sectionSize(column) != widths[column - kBytesColumn])
            columns->resizeSection(column, widths[column - kBytesColumn]);
    }
}

void ModbusPage::FillLists()
{
    cboModbusFunction->clear();
    cboModbusFunction->addItems(
        {GetLanguageText(modbustext::kFunctionHolding), GetLanguageText(modbustext::kFunctionInput)});
    cboModbusFunction->setCurrentIndex(0);
    for (int row = 0; row < kValueRows; ++row) {
        const auto at = static_cast<size_t>(row);
        cboModbusDatatype[at]->clear();
        cboModbusDatatype[at]->addItems(ModbusTypeNames());
        cboModbusDatatype[at]->setCurrentIndex(0);
        cboModbusFormat[at]->clear();
        cboModbusFormat[at]->addItems(ModbusWordOrders(0)); // every row starts as INT16
        cboModbusFormat[at]->setCurrentIndex(0);
    }
}

ResultLabel* ModbusPage::ReadResult() const
{
    return lblModbusResultText;
}

QPushButton* ModbusPage::ReadButton() const
{
    return Command_ModBus_MeterFeature_Read;
}

void ModbusPage::ConnectControls()
{
    connect(Command_ModBus_MeterFeature_Read, &QPushButton::clicked, this, [this] { Command_ModBus_MeterFeature_Read_Click(); });
    connect(Command_ModBus_MeterFeature_Clear, &QPushButton::clicked, this, [this] { Command_ModBus_MeterFeature_Clear_Click(); });
    connect(Command_ModBus_MeterFeature_Save, &QPushButton::clicked, this, [this] { SaveModbusConfiguration(); });
    connect(Command_ModBus_MeterFeature_Get, &QPushButton::clicked, this, [this] { LoadModbusConfiguration(); });
    connect(Command_ModBus_MeterFeature_Debug, &QPushButton::clicked, this, [this] { Host().ToggleDebugWindow(); });
    connect(cmdModbusShowAllOrders, &QPushButton::clicked, this, [this] { ShowAllOrders(); });
    connect(cmdModbusPlot, &QPushButton::clicked, this, [this] { ShowPlot(); });

    connect(txtModbusSlaveAddress, &QLineEdit::textChanged, this,
            [this] { CorrectNumberField(txtModbusSlaveAddress, kHighestSlaveAddress); });
    connect(txtModbusFirstRegister, &QLineEdit::textChanged, this,
            [this] { CorrectNumberField(txtModbusFirstRegister, kHighestRegister); });
    connect(txtModbusNoOfRegisters, &QLineEdit::textChanged, this,
            [this] { CorrectNumberField(txtModbusNoOfRegisters, std::nullopt); });
    connect(txtModbusFirstRegister, &QLineEdit::editingFinished, this, [this] { UpdateModbusRows(); });
    connect(txtModbusNoOfRegisters, &QLineEdit::editingFinished, this, [this] { UpdateModbusRows(); });
    connect(ChkModbusAutoRegister, &QCheckBox::toggled, this, [this](bool checked) {
        // Counted numbers are not typed.
        for (QLineEdit* field : txtModbusRegister)
            field->setEnabled(!checked);
    });
    for (int row = 0; row < kValueRows; ++row)
        ConnectRow(row);
}

void ModbusPage::ConnectRow(int row)
{
    const auto at = static_cast<size_t>(row);
    // A type chosen by mouse or keys refills every row's word orders.
    connect(cboModbusDatatype[at], &QComboBox::activated, this, [this] { DataTypeChosen(); });
    connect(cboModbusFormat[at], &QComboBox::activated, this, [this] { UpdateModbusRows(); });
    connect(txtModbusRegister[at], &QLineEdit::textChanged, this, [this, at] {
        if (!ChkModbusAutoRegister->isChecked())
            CorrectNumberField(txtModbusRegister[at], kHighestRegister);
    });
    connect(txtModbusRegister[at], &QLineEdit::editingFinished, this, [this, row] { RegisterLeft(row); });
}

void ModbusPage::CorrectNumberField(QLineEdit* field, std::optional<qint64> maximum)
{
    const QString text = field->text();
    QString corrected = CorrectedNumberText(text, maximum);
    // addresses, registers and counts have no sign: below 0 is 0
    if (IsNumber(corrected) && LeadingDecimal(corrected) < 0)
        corrected = QStringLiteral("0");
    if (corrected != text)
        field->setText(corrected);
}

ModbusRequest ModbusPage::CurrentRequest() const
{
    ModbusRequest request;
    request.slaveAddress = LeadingNumber(txtModbusSlaveAddress->text());
    request.functionIndex = cboModbusFunction->currentIndex();
    request.firstRegister = LeadingNumber(txtModbusFirstRegister->text());
    request.registerCount = LeadingNumber(txtModbusNoOfRegisters->text());
    return request;
}

modbus::Framing ModbusPage::CurrentFraming() const
{
    return optModBusRtuTcp[1]->isChecked() ? modbus::Framing::Tcp : modbus::Framing::Rtu;
}

ModbusRowSource ModbusPage::RowSource() const
{
    return {ChkModbusAutoRegister->isChecked(), txtModbusFirstRegister->text(), txtModbusNoOfRegisters->text(),
            m_ModbusRegisterData};
}

ModbusValueRows ModbusPage::CurrentRows() const
{
    ModbusValueRows rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        ModbusValueRow& row = rows[i];
        row.registerText = txtModbusRegister[i]->text();
        row.typeCode = cboModbusDatatype[i]->currentIndex();
        row.orderCode = cboModbusFormat[i]->currentIndex();
        row.orders.clear();
        for (int entry = 0; entry < cboModbusFormat[i]->count(); ++entry)
            row.orders << cboModbusFormat[i]->itemText(entry);
        row.bytesText = txtModbusByte[i]->text();
        row.valueText = txtModbusValue[i]->text();
        row.description = txtModbusDescription[i]->text();
        row.outOfRange = m_OutOfRange[i];
    }
    return rows;
}

void ModbusPage::ShowRows(const ModbusValueRows& rows)
{
    // Only what changed, so a field being typed in keeps its cursor while a poll reads.
    const auto show = [](QLineEdit* field, const QString& text) {
        if (field->text() == text)
            return;
        field->setText(text);
        field->setCursorPosition(0); // a long value shows its beginning
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        const ModbusValueRow& row = rows[i];
        show(txtModbusRegister[i], row.registerText);
        cboModbusDatatype[i]->setCurrentIndex(row.typeCode);
        QStringList shown;
        for (int entry = 0; entry < cboModbusFormat[i]->count(); ++entry)
            shown << cboModbusFormat[i]->itemText(entry);
        if (shown != row.orders) {
            cboModbusFormat[i]->clear();
            cboModbusFormat[i]->addItems(row.orders);
        }
        cboModbusFormat[i]->setCurrentIndex(row.orderCode);
        show(txtModbusByte[i], row.bytesText);
        show(txtModbusValue[i], row.valueText);
        txtModbusByte[i]->setToolTip(row.bytesText); // whole, where the column is too narrow
        txtModbusValue[i]->setToolTip(row.valueText);
        show(txtModbusDescription[i], row.description);
        m_OutOfRange[i] = row.outOfRange;
        QPalette colours = grdModbusValues->palette();
        if (row.outOfRange)
            colours.setColor(QPalette::Base, Qt::yellow);
        txtModbusRegister[i]->setPalette(colours);
    }
    FitTextColumns();
    RowsChanged();
}

void ModbusPage::UpdateModbusRows()
{
    ModbusValueRows rows = CurrentRows();
    ::UpdateModbusRows(rows, RowSource());
    ShowRows(rows);
}

void ModbusPage::DataTypeChosen()
{
    ModbusValueRows rows = CurrentRows();
    FillModbusWordOrders(rows);
    ::UpdateModbusRows(rows, RowSource());
    ShowRows(rows);
}

void ModbusPage::RegisterLeft(int row)
{
    ModbusValueRows rows = CurrentRows();
    LeaveModbusRegister(rows, row, RowSource());
    ShowRows(rows);
}

void ModbusPage::Command_ModBus_MeterFeature_Read_Click()
{
    const DeviceOperationScope operation(Context().operations);
    if (!operation)
        return;
    // A field that cannot be sent as it stands is named instead of being
    // sent as something else.
    const ModbusRequestField refused = RefusedModbusField(
        txtModbusSlaveAddress->text(), txtModbusFirstRegister->text(), txtModbusNoOfRegisters->text());
    const std::pair<ModbusRequestField, QLineEdit*> fields[] = {
        {ModbusRequestField::SlaveAddress, txtModbusSlaveAddress},
        {ModbusRequestField::FirstRegister, txtModbusFirstRegister},
        {ModbusRequestField::RegisterCount, txtModbusNoOfRegisters}};
    for (const auto& [field, box] : fields)
        MarkRefused(box, field == refused);
    if (refused != ModbusRequestField::None) {
        const int text = refused == ModbusRequestField::SlaveAddress    ? modbustext::kBadSlaveAddress
                         : refused == ModbusRequestField::FirstRegister ? modbustext::kBadFirstRegister
                                                                        : modbustext::kNoRegisters;
        lblModbusResultText->ShowResult(GetLanguageText(text), ResultKind::Failure);
        return;
    }
    const ModbusRequest request = CurrentRequest();
    const QPointer<ModbusPage> self(this);
    ModbusReadResult result;
    {
        const BusyGuard busy(Host().Window());
        result = m_Client.ReadModbusRegisters(request, CurrentFraming());
    }
    if (self)
        ShowReadResult(result);
}

void ModbusPage::ShowReadResult(const ModbusReadResult& result)
{
    switch (result.kind) {
    case ReplyOutcome::Kind::NotRun:
        return;
    case ReplyOutcome::Kind::Cancelled:
    case ReplyOutcome::Kind::Closed:
    case ReplyOutcome::Kind::Timeout:
        // The rows keep what the last read showed.
        lblModbusResultText->ShowResult(result.note, ResultKind::Failure);
        return;
    case ReplyOutcome::Kind::DeviceError:
    case ReplyOutcome::Kind::BadReply:
        lblModbusResultText->ShowResult(result.note, ResultKind::DeviceError);
        break;
    case ReplyOutcome::Kind::Reply:
        lblModbusResultText->ShowResult(result.note, ResultKind::Success);
        break;
    }
    m_ModbusRegisterData.clear();
    ModbusValueRows rows = CurrentRows();
    for (ModbusValueRow& row : rows) {
        row.bytesText.clear();
        row.valueText.clear();
    }
    if (result.check.result != ModbusReplyCheck::Result::Good) {
        ShowRows(rows);
        return;
    }
    m_ModbusRegisterData = result.check.registerData;
    ::UpdateModbusRows(rows, RowSource());
    ShowRows(rows);
    if (m_PlotWindow && !m_ModbusRegisterData.isEmpty())
        m_PlotWindow->AddReading(QDateTime::currentDateTime(), rows);
}

void ModbusPage::Command_ModBus_MeterFeature_Clear_Click()
{
    m_ModbusRegisterData.clear();
    ModbusValueRows rows = CurrentRows();
    ClearModbusRows(rows);
    ShowRows(rows);
}

ModbusConfiguration ModbusPage::CurrentConfiguration() const
{
    ModbusConfiguration configuration;
    configuration.request = {ChkModbusAutoRegister->isChecked(), CurrentFraming(), cboModbusFunction->currentIndex(),
                             txtModbusSlaveAddress->text(), txtModbusFirstRegister->text(),
                             txtModbusNoOfRegisters->text()};
    for (const ModbusValueRow& row : CurrentRows())
        configuration.rows.append(
            {row.typeCode, row.orderCode, row.registerText, row.bytesText, row.valueText, row.description});
    return configuration;
}

void ModbusPage::SaveModbusConfiguration()
{
    const QString path = chooseSaveFile ? chooseSaveFile() : QString();
    if (path.isEmpty())
        return;
    if (const std::optional<FileError> error = WriteWholeFile(path, FormatModbusConfiguration(CurrentConfiguration())))
        ShowFileErrorDialog(Host().Window(), QStringLiteral("Save Error"), *error);
}

void ModbusPage::LoadModbusConfiguration()
{
    const QString path = chooseOpenFile ? chooseOpenFile() : QString();
    if (path.isEmpty())
        return;
    const std::variant<QByteArray, FileError> content = ReadWholeFile(path);
    if (const auto* error = std::get_if<FileError>(&content)) {
        ShowFileErrorDialog(Host().Window(), QStringLiteral("Open Error"), *error);
        return;
    }
    const ModbusConfigLoad load = ParseModbusConfiguration(std::get<QByteArray>(content));
    if (!load.recognised) {
        lblModbusResultText->ShowResult(
            GetLanguageText(modbustext::kNotAConfigFile) + u' ' + QFileInfo(path).fileName(), ResultKind::Failure);
        return;
    }
    ShowLoaded(load);
    if (load.error)
        ShowFileErrorDialog(Host().Window(), QStringLiteral("Open Error"), *load.error);
    else
        lblModbusResultText->ShowResult(GetLanguageText(modbustext::kConfigLoaded), ResultKind::Success);
}

void ModbusPage::ShowLoaded(const ModbusConfigLoad& load)
{
    if (load.request) {
        const ModbusConfigRequest& request = *load.request;
        ChkModbusAutoRegister->setChecked(request.autoRegister);
        optModBusRtuTcp[request.framing == modbus::Framing::Tcp ? 1 : 0]->setChecked(true);
        cboModbusFunction->setCurrentIndex(request.functionIndex);
        txtModbusSlaveAddress->setText(request.slaveAddress);
        txtModbusFirstRegister->setText(request.firstRegister);
        txtModbusNoOfRegisters->setText(request.registerCount);
        // what a file gives goes through the rules of typing
        CorrectNumberField(txtModbusSlaveAddress, kHighestSlaveAddress);
        CorrectNumberField(txtModbusFirstRegister, kHighestRegister);
        CorrectNumberField(txtModbusNoOfRegisters, std::nullopt);
    }
    // Each row as it was saved: its type's word orders, its order, its register and results.
    ModbusValueRows rows = CurrentRows();
    for (qsizetype i = 0; i < load.rows.size() && i < kValueRows; ++i) {
        const ModbusConfigRow& saved = load.rows[i];
        ModbusValueRow& row = rows[static_cast<size_t>(i)];
        row.typeCode = saved.typeCode;
        row.orders = ModbusWordOrders(saved.typeCode);
        row.orderCode = saved.orderCode;
        row.registerText = saved.registerText;
        row.bytesText = saved.bytesText;
        row.valueText = saved.valueText;
        row.description = saved.description;
        row.outOfRange = false;
    }
    ShowRows(rows);
    // Typed register numbers go through the field's own rule.
    if (!ChkModbusAutoRegister->isChecked()) {
        for (QLineEdit* field : txtModbusRegister)
            CorrectNumberField(field, kHighestRegister);
    }
}

void ModbusPage::ShowAllOrders()
{
    if (!m_OrdersWindow) {
        m_OrdersWindow = new ModbusOrdersWindow(Context().language);
        connect(m_OrdersWindow, &ModbusOrdersWindow::orderChosen, this, [this](int row, int orderCode) {
            if (row < 0 || row >= kValueRows || Context().operations.Busy())
                return;
            cboModbusFormat[static_cast<size_t>(row)]->setCurrentIndex(orderCode);
            UpdateModbusRows();
        });
    }
    m_OrdersWindow->ShowRows(CurrentRows(), RowSource());
    m_OrdersWindow->show();
    m_OrdersWindow->raise();
    m_OrdersWindow->activateWindow();
}

QRect ModbusPage::LogWindowFrame()
{
    if (const Ostrand_Debug* log = Host().DebugWindow(); log && log->isVisible())
        return log->frameGeometry();
    // Closed, it opens beside the wizard, in its classic width.
    const QWidget* wizard = Host().Window();
    if (!wizard || !wizard->screen())
        return {};
    const int dpi = wizard->logicalDpiX() > 0 ? wizard->logicalDpiX() : 96;
    const QSize decoration = wizard->frameGeometry().size() - wizard->size();
    const QSize log(Ostrand_Debug::kWidthTwips * dpi / kTwipsPerInch + decoration.width(),
                    wizard->frameGeometry().height());
    return PlaceBeside(wizard->frameGeometry(), log, wizard->screen()->availableGeometry());
}

void ModbusPage::ShowPlot()
{
    if (!m_PlotWindow) {
        m_PlotWindow = new ModbusPlotWindow(Context().language);
        // Its text sends the user to the log window's poll box: it opens
        // beside that window instead of over it.
        const QRect log = LogWindowFrame();
        const QScreen* screen = m_PlotWindow->screen();
        const QSize decoration = Host().Window() ? Host().Window()->frameGeometry().size() - Host().Window()->size()
                                                 : QSize();
        const QSize frame = m_PlotWindow->sizeHint().grownBy({0, decoration.height(), decoration.width(), 0});
        if (const std::optional<QRect> place = PlotPlacement(frame, log, screen->availableGeometry())) {
            m_PlotWindow->move(place->topLeft());
            m_PlotWindow->resize(place->size() - decoration);
        }
    }
    m_PlotWindow->show();
    m_PlotWindow->raise();
    m_PlotWindow->activateWindow();
}

void ModbusPage::RowsChanged()
{
    if (m_OrdersWindow && m_OrdersWindow->isVisible())
        m_OrdersWindow->ShowRows(CurrentRows(), RowSource());
}
