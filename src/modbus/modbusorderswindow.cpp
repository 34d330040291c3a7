#include "modbusorderswindow.h"

#include "modbustexts.h"
#include "base/language.h"
#include "shell/pagecontrols.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// One column per word order code; two-byte types use the first two (AB, BA).
const char* const kOrderTitles[] = {"ABCD (AB)", "DCBA (BA)", "CDAB", "BADC"};

QTableWidgetItem* Cell(const QString& text, bool enabled = true)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(enabled ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
    return item;
}

} // namespace

ModbusOrdersWindow::ModbusOrdersWindow(const Language& language, QWidget* parent)
    : QDialog(parent)
    , m_Language(language)
{
    setObjectName(QStringLiteral("Ostrand_ModbusOrders"));
    setWindowTitle(language.GetLanguageText(modbustext::kAllWordOrders));
    setModal(false);

    lblModbusOrdersInfo = Named(new QLabel(language.GetLanguageText(modbustext::kAllWordOrdersInfo), this),
                                QStringLiteral("lblModbusOrdersInfo"));
    lblModbusOrdersInfo->setWordWrap(true);
    grdModbusOrders = Named(new QTableWidget(kModbusValueRows, kFirstOrderColumn + kOrderColumns, this),
                            QStringLiteral("grdModbusOrders"));
    QStringList titles
        = {language.GetLanguageText(modbustext::kRegister), language.GetLanguageText(modbustext::kDataType)};
    for (const char* title : kOrderTitles)
        titles << QString::fromLatin1(title);
    grdModbusOrders->setHorizontalHeaderLabels(titles);
    grdModbusOrders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdModbusOrders->setSelectionMode(QAbstractItemView::SingleSelection);
    grdModbusOrders->setSelectionBehavior(QAbstractItemView::SelectItems);
    grdModbusOrders->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdModbusOrders->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblModbusOrdersInfo->setBuddy(grdModbusOrders);
    cmdModbusOrdersClose = Named(new QPushButton(language.GetLanguageText(modbustext::kClose), this),
                                 QStringLiteral("cmdModbusOrdersClose"));
    cmdModbusOrdersClose->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdModbusOrdersClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblModbusOrdersInfo);
    layout->addWidget(grdModbusOrders, 1);
    layout->addLayout(buttons);

    connect(cmdModbusOrdersClose, &QPushButton::clicked, this, &QDialog::close);
    connect(grdModbusOrders, &QTableWidget::cellClicked, this, &ModbusOrdersWindow::Choose);
    connect(grdModbusOrders, &QTableWidget::itemActivated, this,
            [this](QTableWidgetItem* item) { Choose(item->row(), item->column()); });
}

void ModbusOrdersWindow::ShowRows(const ModbusValueRows& rows, const ModbusRowSource& source)
{
    for (int r = 0; r < kModbusValueRows; ++r) {
        const ModbusValueRow& row = rows[static_cast<size_t>(r)];
        const std::optional<QByteArray> bytes = ModbusRowBytes(row.registerText, row.typeCode, source);
        grdModbusOrders->setItem(r, 0, Cell(row.registerText));
        grdModbusOrders->setItem(r, 1, Cell(ModbusTypeNames().value(row.typeCode)));
        const QStringList orders = ModbusWordOrders(row.typeCode);
        for (int code = 0; code < kOrderColumns; ++code) {
            const bool offered = code < orders.size() && bytes && !bytes->isEmpty();
            QTableWidgetItem* cell = Cell(offered ? ModbusValueText(*bytes, row.typeCode, code) : QString(), offered);
            if (offered) {
                cell->setToolTip(orders[code] + QStringLiteral(": ") + cell->text());
                QFont font = cell->font();
                font.setBold(code == row.orderCode); // the order the row uses now
                cell->setFont(font);
            }
            grdModbusOrders->setItem(r, kFirstOrderColumn + code, cell);
        }
    }
    FitToContents();
}

void ModbusOrdersWindow::Choose(int row, int column)
{
    const QTableWidgetItem* cell = grdModbusOrders->item(row, column);
    if (column < kFirstOrderColumn || !cell || !(cell->flags() & Qt::ItemIsEnabled))
        return;
    emit orderChosen(row, column - kFirstOrderColumn);
}

void ModbusOrdersWindow::FitToContents()
{
    grdModbusOrders->resizeColumnsToContents();
    grdModbusOrders->resizeRowsToContents();
    // Long values (a double near its limits, 16 characters) stay readable in the tool tip.
    const int widest = 24 * fontMetrics().horizontalAdvance(u'0');
    for (int column = 0; column < grdModbusOrders->columnCount(); ++column)
        grdModbusOrders->setColumnWidth(column, std::min(grdModbusOrders->columnWidth(column), widest));
    int width = 2 * grdModbusOrders->frameWidth() + grdModbusOrders->verticalHeader()->width();
    for (int column = 0; column < grdModbusOrders->columnCount(); ++column)
        width += grdModbusOrders->columnWidth(column);
    int height = 2 * grdModbusOrders->frameWidth() + grdModbusOrders->horizontalHeader()->height();
    for (int row = 0; row < grdModbusOrders->rowCount(); ++row)
        height += grdModbusOrders->rowHeight(row);
    grdModbusOrders->setMinimumWidth(width);
    grdModbusOrders->setFixedHeight(height);
    adjustSize();
}
