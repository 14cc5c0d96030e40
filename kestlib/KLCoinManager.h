// A table of named currency values with conversion between them.
#pragma once

#include "KLObject.h"

#include <cstdint>

namespace KL {

struct Currency {
    int32_t kind = 0;
    int32_t value = 0;
    float rate = 0.0f;
    char name[256] = {};
    char description[512] = {};
};

// A quantity in one currency.
struct Amount {
    float quantity = 0.0f;
    Currency* currency = nullptr;
};

class ICoinManager : public Object {
public:
    ICoinManager();
    // Sets to's quantity to from's quantity converted through the two rates.
    virtual void Convert(const Amount& from, Amount& to) = 0;
    virtual bool Register(int32_t value, const char* name, float rate, const char* description) = 0;
    virtual bool RefreshValues() = 0;
};

}  // namespace KL
