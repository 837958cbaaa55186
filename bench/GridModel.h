#pragma once

// Model files for the loader and import benchmarks, written as Metasequoia writes them.

#include <string>

// One material and `parts` objects, each a grid of quadsPerSide x quadsPerSide quads with a
// gently bumped height, material and texture-coordinate groups and a facet of 59.5, so that
// smoothing meets both smoothed and creased neighbours.
std::string MakeGridModelText(int parts, int quadsPerSide);
