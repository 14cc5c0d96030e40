// Common base of the objects the implementation registry makes and of the registrars
// themselves: an init hook, a readable name and an owned name string.
#pragma once

namespace KL {

class Object {
public:
    Object() = default;
    virtual ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // Second-stage construction; a false result makes the registry discard the object.
    virtual bool Init();
    // Readable class name; "undefined" unless a class overrides it (none does).
    virtual const char* GetName();

    // Stores a private copy of the text (or null), freeing the previous one.
    void SetName(const char* name);
    // The stored name string (may be null).
    const char* GetNameString() const { return m_name; }

private:
    char* m_name = nullptr;
};

}  // namespace KL
