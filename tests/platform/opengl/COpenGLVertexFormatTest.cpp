#include "platform/opengl/COpenGLVertexFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(COpenGLVertexFormatTest, MeshFormatIsPositionNormalAndTextureCoordinates) {
    const auto format = COpenGLVertexFormat::FromFvf(0x112);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->Size(), 32u);
    EXPECT_TRUE(format->HasTexCoords());
    EXPECT_FALSE(format->HasColour());
}

TEST(COpenGLVertexFormatTest, GizmoFormatIsPositionNormalAndColour) {
    const auto format = COpenGLVertexFormat::FromFvf(0x52);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->Size(), 28u);
    EXPECT_TRUE(format->HasColour());
    EXPECT_FALSE(format->HasTexCoords());
}

TEST(COpenGLVertexFormatTest, PositionAloneIsTwelveBytes) {
    const auto format = COpenGLVertexFormat::FromFvf(0x002);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->Size(), 12u);
}

TEST(COpenGLVertexFormatTest, OtherPartsAreRefused) {
    EXPECT_FALSE(COpenGLVertexFormat::FromFvf(0x000)); // no position
    EXPECT_FALSE(COpenGLVertexFormat::FromFvf(0x004)); // transformed position
    EXPECT_FALSE(COpenGLVertexFormat::FromFvf(0x0C2)); // specular colour
    EXPECT_FALSE(COpenGLVertexFormat::FromFvf(0x212)); // two texture coordinate sets
}

} // namespace
