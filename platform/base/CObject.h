// Root of the framework's class hierarchy with its runtime class
// information: type tests, checked downcasts and creation by class.
#pragma once

#include "wintypes.h"

class CObject;
class CArchive;
class CDumpContext;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // Null for classes declared without dynamic creation.
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* baseClass) const;
};

class CObject {
public:
    virtual ~CObject() = default;

    virtual CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;
    virtual void Serialize(CArchive& archive);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& context) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

CObject* AfxDynamicDownCast(const CRuntimeClass* target, CObject* object);

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))
#define DYNAMIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))
#define STATIC_DOWNCAST(class_name, object) (static_cast<class_name*>(object))

#define DECLARE_DYNAMIC(class_name)                       \
public:                                                   \
    static const CRuntimeClass class##class_name;         \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define PLATFORM_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, create) \
    const CRuntimeClass class_name::class##class_name = {                           \
        #class_name, static_cast<int>(sizeof(class_name)), (schema), (create),      \
        &base_class_name::class##base_class_name};                                  \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    PLATFORM_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                  \
    CObject* class_name::CreateObject() { return new class_name; }        \
    PLATFORM_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, \
                                    class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)             \
    CObject* class_name::CreateObject() { return new class_name; }        \
    PLATFORM_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, (schema), \
                                    class_name::CreateObject)
