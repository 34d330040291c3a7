#include "adaptersdialog.h"

#include "adapterchoice.h"
#include "netsetuptexts.h"
#include "base/settings.h"
#include "comm/commtexts.h"
#include "shell/wizardcontext.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

Ostrand_Adapters::Ostrand_Adapters(WizardContext& context, const AdapterList& listAdapters, std::function<void()> runScan,
                                   QWidget* parent)
    : QDialog(parent)
    , m_Context(context)
    , m_ListAdapters(listAdapters)
    , m_RunScan(std::move(runScan))
{
    setObjectName(QStringLiteral("Ostrand_Adapters"));
    setWindowTitle(context.language.GetLanguageText(netsetuptext::kAdaptersCaption));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    ListView_Adapters = new QTreeWidget(this);
    ListView_Adapters->setObjectName(QStringLiteral("ListView_Adapters"));
    ListView_Adapters->setColumnCount(ColumnCount);
    ListView_Adapters->setHeaderHidden(true);
    ListView_Adapters->setRootIsDecorated(false);
    ListView_Adapters->setItemsExpandable(false);
    ListView_Adapters->setAllColumnsShowFocus(true);
    ListView_Adapters->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_Adapters->header()->setSectionResizeMode(ColumnAddress, QHeaderView::ResizeToContents);
    ListView_Adapters->header()->setStretchLastSection(true);
    layout->addWidget(ListView_Adapters, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OK_Adapters = new QPushButton(context.language.GetLanguageText(commtext::kOk), this);
    OK_Adapters->setObjectName(QStringLiteral("OK_Adapters"));
    OK_Adapters->setDefault(true);
    Cancel_Adapters = new QPushButton(context.language.GetLanguageText(commtext::kCancel), this);
    Cancel_Adapters->setObjectName(QStringLiteral("Cancel_Adapters"));
    Cancel_Adapters->setAutoDefault(false);
    buttons->addWidget(OK_Adapters);
    buttons->addWidget(Cancel_Adapters);
    layout->addLayout(buttons);
    resize(460, 240);

    // Without a row there is nothing to keep.
    connect(ListView_Adapters, &QTreeWidget::itemSelectionChanged, this,
            [this] { OK_Adapters->setEnabled(!ListView_Adapters->selectedItems().isEmpty()); });
    connect(ListView_Adapters, &QTreeWidget::itemDoubleClicked, this, [this] { OK_Adapters_Click(); });
    connect(OK_Adapters, &QPushButton::clicked, this, [this] { OK_Adapters_Click(); });
    connect(Cancel_Adapters, &QPushButton::clicked, this, &QDialog::reject);

    EnumerateAdapters(true);
    OK_Adapters->setEnabled(!ListView_Adapters->selectedItems().isEmpty());
}

int Ostrand_Adapters::EnumerateAdapters(bool fill)
{
    const QList<NetworkAdapter> adapters = m_ListAdapters ? m_ListAdapters() : QList<NetworkAdapter>{};
    if (fill) {
        ListView_Adapters->clear();
        for (const NetworkAdapter& adapter : adapters)
            new QTreeWidgetItem(ListView_Adapters, QStringList{adapter.ip, adapter.description});
    }
    WizardState& state = m_Context.state;
    const int confirmed = SettleAdapterChoice(adapters, state.SelectedAdapterIP, state.SelectedAdapterDescription);
    if (fill && confirmed >= 0)
        ListView_Adapters->setCurrentItem(ListView_Adapters->topLevelItem(confirmed));
    return static_cast<int>(adapters.size());
}

void Ostrand_Adapters::OK_Adapters_Click()
{
    const QList<QTreeWidgetItem*> rows = ListView_Adapters->selectedItems();
    if (rows.isEmpty())
        return;
    WizardState& state = m_Context.state;
    state.SelectedAdapterIP = rows.front()->text(ColumnAddress);
    state.SelectedAdapterDescription = rows.front()->text(ColumnDescription);
    m_Context.settings.Save(keys::SelectedAdapterIP, state.SelectedAdapterIP);
    m_Context.settings.Save(keys::SelectedAdapterDescription, state.SelectedAdapterDescription);
    hide();
    if (m_RunScan)
        m_RunScan();
    accept();
}
