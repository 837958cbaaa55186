#include "loader/MQAMaterial.h"

#include "loader/MaterialTextures.h"

MQAMaterial::MQAMaterial() {
    UpdateMaterial();
}

void MQAMaterial::UpdateMaterial() {
    const D3DCOLORVALUE& c = m_color;
    m_material.Diffuse = {c.r * m_fDiffuse, c.g * m_fDiffuse, c.b * m_fDiffuse, c.a};
    m_material.Ambient = {c.r * m_fAmbient, c.g * m_fAmbient, c.b * m_fAmbient, c.a};
    m_material.Specular = {m_fSpecular, m_fSpecular, m_fSpecular, c.a};
    m_material.Emissive = {c.r * m_fEmissive, c.g * m_fEmissive, c.b * m_fEmissive, c.a};
    m_material.Power = m_fPower;
}

void MQAMaterial::LoadTexture(MaterialTextures& textures) {
    if (!m_textureFile.empty()) {
        m_pTexture = textures.Acquire(m_textureFile);
    }
}
