#include "adapterchoice.h"

#include "base/wizardstate.h"

int SettleAdapterChoice(const QList<NetworkAdapter>& adapters, QString& selectedIP, QString& selectedDescription)
{
    for (qsizetype row = 0; row < adapters.size(); ++row) {
        if (adapters[row].ip == selectedIP && adapters[row].description == selectedDescription)
            return static_cast<int>(row);
    }
    if (adapters.size() == 1) {
        selectedIP = adapters.front().ip;
        selectedDescription = adapters.front().description;
    } else if (adapters.isEmpty()) {
        selectedIP = kNoAdapter;
        selectedDescription.clear();
    } else {
        selectedIP.clear();
        selectedDescription.clear();
    }
    return -1;
}
