#include "loader/MQAMaterial.h"

#include "platform/IDirect3DTexture9.h"

#include "support/FakeDevice.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

void ExpectColour(const D3DCOLORVALUE& actual, float r, float g, float b, float a) {
    EXPECT_EQ(actual.r, r);
    EXPECT_EQ(actual.g, g);
    EXPECT_EQ(actual.b, b);
    EXPECT_EQ(actual.a, a);
}

TEST(MQAMaterialTest, DefaultMaterialIsLightGreyAndUntextured) {
    const MQAMaterial material;

    EXPECT_EQ(material.m_name, "NoMaterial");
    ExpectColour(material.m_color, 0.8f, 0.8f, 0.8f, 1.0f);
    EXPECT_EQ(material.m_fPower, 0.2f);
    EXPECT_EQ(material.GetTextureFile(), "");
    EXPECT_EQ(material.m_alphaPlaneFile, "");
    EXPECT_EQ(material.m_bumpFile, "");
    EXPECT_EQ(material.m_pTexture, nullptr);
    ExpectColour(material.m_material.Diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
    ExpectColour(material.m_material.Ambient, 0.8f, 0.8f, 0.8f, 1.0f);
    ExpectColour(material.m_material.Specular, 0.0f, 0.0f, 0.0f, 1.0f);
    ExpectColour(material.m_material.Emissive, 0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(material.m_material.Power, 0.2f);
}

TEST(MQAMaterialTest, UpdateMaterialScalesTheColourButNotTheSpecular) {
    // col(1 0 0 0.5) dif(0.5) amb(0.2) emi(0.1) spc(0.3) power(10)
    MQAMaterial material;
    material.m_color = {1.0f, 0.0f, 0.0f, 0.5f};
    material.m_fDiffuse = 0.5f;
    material.m_fAmbient = 0.2f;
    material.m_fEmissive = 0.1f;
    material.m_fSpecular = 0.3f;
    material.m_fPower = 10.0f;

    material.UpdateMaterial();

    ExpectColour(material.m_material.Diffuse, 0.5f, 0.0f, 0.0f, 0.5f);
    ExpectColour(material.m_material.Ambient, 0.2f, 0.0f, 0.0f, 0.5f);
    ExpectColour(material.m_material.Specular, 0.3f, 0.3f, 0.3f, 0.5f);
    ExpectColour(material.m_material.Emissive, 0.1f, 0.0f, 0.0f, 0.5f);
    EXPECT_EQ(material.m_material.Power, 10.0f);
}

TEST(MQAMaterialTest, UpdateMaterialScalesEachChannelByItsOwnValue) {
    MQAMaterial material;
    material.m_color = {0.5f, 0.25f, 1.0f, 0.75f};
    material.m_fDiffuse = 0.5f;
    material.m_fAmbient = 2.0f;
    material.m_fEmissive = 4.0f;

    material.UpdateMaterial();

    ExpectColour(material.m_material.Diffuse, 0.25f, 0.125f, 0.5f, 0.75f);
    ExpectColour(material.m_material.Ambient, 1.0f, 0.5f, 2.0f, 0.75f);
    ExpectColour(material.m_material.Emissive, 2.0f, 1.0f, 4.0f, 0.75f);
}

TEST(MQAMaterialTest, CopiesKeepTheFileNamesAndShareTheTexture) {
    FakeTexture texture;
    MQAMaterial original;
    original.m_name = "skin";
    original.SetTextureFile("body\\skin.bmp");
    original.SetAlphaPlaneFile("alpha.bmp");
    original.SetBumpFile("bump.bmp");
    original.m_color = {0.1f, 0.2f, 0.3f, 0.4f};
    original.UpdateMaterial();
    original.m_pTexture = &texture;
    {
        const MQAMaterial copy(original);
        MQAMaterial assigned;
        assigned = original;
        for (const MQAMaterial* material :
             std::initializer_list<const MQAMaterial*>{&copy, &assigned}) {
            EXPECT_EQ(material->m_name, "skin");
            EXPECT_EQ(material->GetTextureFile(), "body\\skin.bmp");
            EXPECT_EQ(material->m_alphaPlaneFile, "alpha.bmp");
            EXPECT_EQ(material->m_bumpFile, "bump.bmp");
            ExpectColour(material->m_material.Diffuse, 0.1f, 0.2f, 0.3f, 0.4f);
            EXPECT_EQ(material->m_pTexture, &texture);
        }
    }

    EXPECT_EQ(texture.addRefs, 0);
    EXPECT_EQ(texture.releases, 0);
    EXPECT_EQ(original.m_pTexture, &texture);
}

} // namespace
