#include "KLObject.h"

#include "KLHelpers.h"

namespace KL {

Object::~Object() { delete[] m_name; }

bool Object::Init() { return true; }

const char* Object::GetName() { return "undefined"; }

void Object::SetName(const char* name) {
    char* copy = name ? DuplicateString(name) : nullptr;
    delete[] m_name;
    m_name = copy;
}

}  // namespace KL
