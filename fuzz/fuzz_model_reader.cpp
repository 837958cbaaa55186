// Bytes as a model file: read them, then prepare and pose every part as drawing would.

#include "loader/LoaderMQA.h"
#include "scene/CCharacter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCharacter character;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoaderMQA(&character, text).Load();
    character.FindCollisionObject();
    character.CreateBuffers(nullptr); // skinning arrays; no device, so no static buffers
    for (MQAObject& part : character.m_parts) {
        part.CalcSmoothing();
    }
    for (int motion = -1; motion <= character.GetMotionCount(); ++motion) {
        const int length = character.GetMotionLength(motion);
        for (MQAObject& part : character.m_parts) {
            part.Skin(motion, length - 1);
            part.GetMotionMatrix(motion, length);
        }
    }
    character.ReleaseDeviceObjects();
    return 0;
}
