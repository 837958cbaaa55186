#pragma once

// Run-time class records of the serialisable classes: name, object size, schema and
// factory, kept in a process-wide list in the order of registration.

#include <cstddef>
#include <string>
#include <vector>

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    std::size_t m_nObjectSize;
    unsigned int m_wSchema;
    CObject* (*m_pfnCreateObject)();

    CObject* CreateObject() const { return m_pfnCreateObject(); }

    // Adds the record to the list of known classes; a record already listed stays in place.
    static void Register(const CRuntimeClass* runtimeClass);
    static const std::vector<const CRuntimeClass*>& GetRegisteredClasses();
    // The registered record of that name, or null.
    static const CRuntimeClass* FromName(const std::string& name);
};
