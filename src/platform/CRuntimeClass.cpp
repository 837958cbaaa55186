#include "platform/CRuntimeClass.h"

#include <algorithm>

namespace {
std::vector<const CRuntimeClass*>& RegisteredClasses() {
    static std::vector<const CRuntimeClass*> classes;
    return classes;
}
} // namespace

void CRuntimeClass::Register(const CRuntimeClass* runtimeClass) {
    auto& classes = RegisteredClasses();
    if (std::find(classes.begin(), classes.end(), runtimeClass) == classes.end()) {
        classes.push_back(runtimeClass);
    }
}

const std::vector<const CRuntimeClass*>& CRuntimeClass::GetRegisteredClasses() {
    return RegisteredClasses();
}

const CRuntimeClass* CRuntimeClass::FromName(const std::string& name) {
    for (const CRuntimeClass* runtimeClass : RegisteredClasses()) {
        if (name == runtimeClass->m_lpszClassName) {
            return runtimeClass;
        }
    }
    return nullptr;
}
