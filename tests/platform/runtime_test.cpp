#include <gtest/gtest.h>

#include <memory>

#include "base/CObject.h"

class CShapeBase : public CObject {
    DECLARE_DYNAMIC(CShapeBase)
};
IMPLEMENT_DYNAMIC(CShapeBase, CObject)

class CShapeLine : public CShapeBase {
    DECLARE_DYNCREATE(CShapeLine)

public:
    int length = 7;
};
IMPLEMENT_DYNCREATE(CShapeLine, CShapeBase)

class CShapeText : public CShapeBase {
    DECLARE_SERIAL(CShapeText)
};
IMPLEMENT_SERIAL(CShapeText, CShapeBase, 0)

TEST(RuntimeClass, KindsAndDowncasts)
{
    CShapeLine line;
    CShapeText text;
    CObject* object = &line;
    EXPECT_TRUE(object->GetRuntimeClass() == RUNTIME_CLASS(CShapeLine));
    EXPECT_FALSE(text.GetRuntimeClass() == RUNTIME_CLASS(CShapeLine));
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CShapeBase)));
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(object->IsKindOf(RUNTIME_CLASS(CShapeText)));
    EXPECT_EQ(DYNAMIC_DOWNCAST(CShapeLine, object), &line);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CShapeText, object), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CShapeLine, static_cast<CObject*>(nullptr)), nullptr);
    EXPECT_STREQ(RUNTIME_CLASS(CShapeText)->m_lpszClassName, "CShapeText");
    EXPECT_EQ(RUNTIME_CLASS(CShapeText)->m_wSchema, 0u);
}

TEST(RuntimeClass, CreatesOnlyDynamicallyCreatableClasses)
{
    std::unique_ptr<CObject> made(RUNTIME_CLASS(CShapeLine)->CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CShapeLine)));
    EXPECT_EQ(static_cast<CShapeLine*>(made.get())->length, 7);
    EXPECT_EQ(RUNTIME_CLASS(CShapeBase)->CreateObject(), nullptr);
}
