#pragma once

// Base of the serialisable scene classes: a run-time class query and Serialize.

class CArchive;
struct CRuntimeClass;

class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const = 0;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& archive) = 0;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
