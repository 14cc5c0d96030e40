// The registered Coin Manager: up to 16 currencies in registration order.
#pragma once

#include "KLCoinManager.h"

namespace _KL {

class CCoinManager1 : public KL::ICoinManager {
public:
    static constexpr int kMaxEntries = 16;
    static constexpr int32_t kRegisteredKind = 3;

    CCoinManager1();
    void Convert(const KL::Amount& from, KL::Amount& to) override;
    // Fills the next entry; false (with a trace) when the table is full.
    bool Register(int32_t value, const char* name, float rate, const char* description) override;
    bool RefreshValues() override;

    int GetCount() const { return m_count; }
    KL::Currency* GetEntry(int index) { return (index >= 0 && index < m_count) ? &m_entries[index] : nullptr; }

private:
    KL::Currency m_entries[kMaxEntries];
    int32_t m_count = 0;
};

}  // namespace _KL
