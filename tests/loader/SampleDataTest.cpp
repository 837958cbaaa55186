// The sample models of the program folder load completely, with their textures and motions.

#include "platform/Mbcs.h"
#include "platform/ProgramFolder.h"
#include "scene/CCharacter.h"
#include "support/FakeDevice.h"

#include <gtest/gtest.h>

namespace {

std::string Cp932(const char* utf8) {
    return Mbcs::FromUtf8(utf8).value();
}

struct LoadedSample {
    ~LoadedSample() { character.ReleaseDeviceObjects(); }

    CCharacter character;
    FakeDevice device;
    bool loaded = false;
};

void Load(LoadedSample& sample, const char* storedName) {
    const std::string folder = Mbcs::FromUtf8(GetProgramFolder()).value();
    sample.loaded = sample.character.LoadModel(folder + storedName, &sample.device);
}

TEST(SampleDataTest, ShopIsAStaticTexturedBuilding) {
    LoadedSample shop;
    Load(shop, "MQO\\Shop.mqo");
    ASSERT_TRUE(shop.loaded);
    EXPECT_EQ(shop.character.GetFileName(), "mqo\\shop.mqo");
    ASSERT_EQ(shop.character.m_materials.size(), 4u);
    EXPECT_NE(shop.character.m_materials[0].m_pTexture, nullptr); // wall
    EXPECT_EQ(shop.character.m_materials[1].m_pTexture, nullptr); // roof, untextured
    EXPECT_NE(shop.character.m_materials[3].m_pTexture, nullptr); // sign
    EXPECT_EQ(shop.character.GetMotionCount(), 0);
    for (const MQAObject& part : shop.character.m_parts) {
        EXPECT_NE(part.m_pVertexBuffer, nullptr) << part.m_name;
        EXPECT_FALSE(part.HasBoneAnimations());
    }
}

TEST(SampleDataTest, SharpHairWalksAndJumps) {
    LoadedSample sharpHair;
    Load(sharpHair, "MQA\\SharpHair.mqa");
    ASSERT_TRUE(sharpHair.loaded);
    CCharacter& character = sharpHair.character;
    ASSERT_EQ(character.GetMotionCount(), 2);
    EXPECT_EQ(character.GetMotionName(0), Cp932("歩く"));
    EXPECT_EQ(character.GetMotionLength(0), 30);
    EXPECT_EQ(character.GetMotionName(1), Cp932("ジャンプ"));
    EXPECT_EQ(character.GetMotionLength(1), 20);
    // Every part moves with both motions: one object matrix per frame.
    for (const MQAObject& part : character.m_parts) {
        ASSERT_EQ(part.m_animations.size(), 2u) << part.m_name;
        EXPECT_EQ(part.m_animations[0].size(), 30u);
        EXPECT_EQ(part.m_animations[1].size(), 20u);
    }
    EXPECT_EQ(character.FindMotion(Cp932("歩く")), 0);
}

TEST(SampleDataTest, WormIsSkinnedOnFourBones) {
    LoadedSample worm;
    Load(worm, "MQA\\Worm.qkba");
    ASSERT_TRUE(worm.loaded);
    CCharacter& character = worm.character;
    ASSERT_EQ(character.m_parts.size(), 1u);
    const MQAObject& body = character.m_parts[0];
    ASSERT_TRUE(body.HasBoneAnimations());
    EXPECT_EQ(body.m_pVertexBuffer, nullptr);
    EXPECT_EQ(body.m_skinnedPositions.size(), body.m_vertices.size());
    ASSERT_EQ(character.GetMotionCount(), 2);
    EXPECT_EQ(character.GetMotionName(0), Cp932("くねくね"));
    EXPECT_EQ(character.GetMotionLength(0), 40);
    EXPECT_EQ(character.GetMotionName(1), Cp932("のびる"));
    EXPECT_EQ(character.GetMotionLength(1), 30);
    for (const auto& bones : body.m_boneAnimations) {
        EXPECT_EQ(bones.size(), 4u);
    }
    EXPECT_NE(character.m_materials.at(0).m_pTexture, nullptr);
}

} // namespace
