#pragma once

// One material of a character, one per line of a model file's Material chunk, with the
// Direct3D material derived from its colour and factors and its texture. Copies share the
// texture pointer without taking a reference; only the character releases it.

#include "platform/D3DTypes.h"

#include <string>

class IDirect3DTexture9;
class MaterialTextures;

class MQAMaterial {
public:
    MQAMaterial();

    void SetTextureFile(std::string fileName) { m_textureFile = std::move(fileName); }
    void SetAlphaPlaneFile(std::string fileName) { m_alphaPlaneFile = std::move(fileName); }
    void SetBumpFile(std::string fileName) { m_bumpFile = std::move(fileName); }
    std::string GetTextureFile() const { return m_textureFile; }
    // Derives m_material from the colour and the factors.
    void UpdateMaterial();
    // Takes the texture of the texture file from the character's textures; a file that is
    // missing, cannot be read or passes the textures' budget leaves the material untextured.
    void LoadTexture(MaterialTextures& textures);

    std::string m_name = "NoMaterial";
    D3DCOLORVALUE m_color{0.8f, 0.8f, 0.8f, 1.0f};
    float m_fDiffuse = 1.0f;
    float m_fAmbient = 1.0f;
    float m_fEmissive = 0.0f;
    float m_fSpecular = 0.0f;
    float m_fPower = 0.2f;
    std::string m_textureFile;
    std::string m_alphaPlaneFile;
    std::string m_bumpFile;
    D3DMATERIAL9 m_material;
    IDirect3DTexture9* m_pTexture = nullptr;
};
