#include "platform/CRuntimeClass.h"

#include "platform/CObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class TestCircle : public CObject {
public:
    static CObject* Create() { return new TestCircle; }
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }
    void Serialize(CArchive&) override {}
};
const CRuntimeClass TestCircle::runtimeClass = {"CRuntimeClassTestCircle", sizeof(TestCircle), 1,
                                                &TestCircle::Create};

class TestSquare : public CObject {
public:
    static CObject* Create() { return new TestSquare; }
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }
    void Serialize(CArchive&) override {}
};
const CRuntimeClass TestSquare::runtimeClass = {"CRuntimeClassTestSquare", sizeof(TestSquare), 2,
                                                &TestSquare::Create};

std::ptrdiff_t IndexOf(const CRuntimeClass* runtimeClass) {
    const auto& classes = CRuntimeClass::GetRegisteredClasses();
    return std::find(classes.begin(), classes.end(), runtimeClass) - classes.begin();
}

TEST(CRuntimeClassTest, RegisterKeepsOrderAndIgnoresDuplicates) {
    CRuntimeClass::Register(&TestCircle::runtimeClass);
    CRuntimeClass::Register(&TestSquare::runtimeClass);
    const auto& classes = CRuntimeClass::GetRegisteredClasses();
    const std::size_t size = classes.size();

    CRuntimeClass::Register(&TestCircle::runtimeClass);

    EXPECT_EQ(classes.size(), size);
    EXPECT_EQ(std::count(classes.begin(), classes.end(), &TestCircle::runtimeClass), 1);
    EXPECT_LT(IndexOf(&TestCircle::runtimeClass), IndexOf(&TestSquare::runtimeClass));
}

TEST(CRuntimeClassTest, FromNameFindsRegisteredClass) {
    CRuntimeClass::Register(&TestCircle::runtimeClass);
    CRuntimeClass::Register(&TestSquare::runtimeClass);
    EXPECT_EQ(CRuntimeClass::FromName("CRuntimeClassTestSquare"), &TestSquare::runtimeClass);
    EXPECT_EQ(CRuntimeClass::FromName("CRuntimeClassTestCircle"), &TestCircle::runtimeClass);
}

TEST(CRuntimeClassTest, FromNameOfUnknownClassIsNull) {
    EXPECT_EQ(CRuntimeClass::FromName("CRuntimeClassTestTriangle"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(""), nullptr);
}

TEST(CRuntimeClassTest, CreateObjectMakesAnObjectOfThatClass) {
    const std::unique_ptr<CObject> object(TestSquare::runtimeClass.CreateObject());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetRuntimeClass(), &TestSquare::runtimeClass);
}

} // namespace
