#include "KLCoinManager1.h"

#include "KLLog.h"

#include <cstdio>

namespace KL {

ICoinManager::ICoinManager() { LogMessage("IBuilt!"); }

}  // namespace KL

namespace _KL {

CCoinManager1::CCoinManager1() { LogMessage("Coin Manager built!"); }

void CCoinManager1::Convert(const KL::Amount& from, KL::Amount& to) {
    if (!from.currency || !to.currency) return;
    to.quantity = (from.currency->rate / to.currency->rate) * from.quantity;
}

bool CCoinManager1::Register(int32_t value, const char* name, float rate, const char* description) {
    if (m_count >= kMaxEntries) {
        LogMessage("Coin Manager full, %s not registered", name ? name : "");
        return false;
    }
    KL::Currency& entry = m_entries[m_count];
    entry.kind = kRegisteredKind;
    entry.value = value;
    entry.rate = rate;
    // Texts longer than their fields are cut, never written past them.
    std::snprintf(entry.name, sizeof(entry.name), "%s", name ? name : "");
    std::snprintf(entry.description, sizeof(entry.description), "%s", description ? description : "");
    ++m_count;
    LogMessage("%s (%s) registered in Coin Manager", entry.name, entry.description);
    return true;
}

bool CCoinManager1::RefreshValues() {
    LogError("_KL::CCoinManager1::RefreshValues not defined. (KLCoinManager1)");
    return false;
}

}  // namespace _KL
