// A registered bitmap interface that does no work: bitmaps are loaded by the application
// object (LoadBitmapFile).
#pragma once

#include "KLObject.h"

#include <cstdint>

namespace KL {

struct BitmapInfo {
    int32_t fields[4] = {};
};

class IBitmap : public Object {
public:
    virtual bool Load(const char* name) = 0;
    virtual BitmapInfo GetInfo() = 0;
};

}  // namespace KL

namespace _KL {

class CBitmap : public KL::IBitmap {
public:
    bool Load(const char*) override { return true; }
    KL::BitmapInfo GetInfo() override { return KL::BitmapInfo(); }
};

}  // namespace _KL
