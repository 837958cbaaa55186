#include "GridModel.h"

#include <cstdio>

namespace {

void AppendGridPart(std::string& text, int part, int quadsPerSide) {
    const int side = quadsPerSide + 1;
    char line[256];
    std::snprintf(line, sizeof line, "Object \"grid%d\" {\r\n\tfacet 59.5\r\n", part);
    text += line;
    text += "\tvertex " + std::to_string(side * side) + " {\r\n";
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f\r\n", column * 1.25 - 300.0,
                          (row * column % 17) * 0.3125 + part * 10.0, row * -1.25 + 300.0);
            text += line;
        }
    }
    text += "\t}\r\n\tface " + std::to_string(quadsPerSide * quadsPerSide) + " {\r\n";
    const float step = 1.0f / static_cast<float>(quadsPerSide);
    for (int row = 0; row < quadsPerSide; ++row) {
        for (int column = 0; column < quadsPerSide; ++column) {
            const int v = row * side + column;
            const float u0 = static_cast<float>(column) * step;
            const float v0 = static_cast<float>(row) * step;
            std::snprintf(
                line, sizeof line,
                "\t\t4 V(%d %d %d %d) M(0) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f)\r\n", v,
                v + side, v + side + 1, v + 1, u0, v0, u0, v0 + step, u0 + step, v0 + step,
                u0 + step, v0);
            text += line;
        }
    }
    text += "\t}\r\n}\r\n";
}

} // namespace

std::string MakeGridModelText(int parts, int quadsPerSide) {
    std::string text = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
                       "Material 1 {\r\n\t\"mat\" shader(3) col(1.000 1.000 1.000 1.000) "
                       "dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)\r\n}\r\n";
    for (int part = 0; part < parts; ++part) {
        AppendGridPart(text, part, quadsPerSide);
    }
    return text + "Eof\r\n";
}
