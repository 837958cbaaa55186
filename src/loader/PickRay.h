#pragma once

// The eye ray through a point of the 3D view (client pixels), carried into the space of a
// world matrix with the device's current viewport, view and projection: the ray that picking
// tests against what was last drawn with that world matrix.

#include "platform/D3DXMath.h"

class IDirect3DDevice9;

struct PickRay {
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction; // not normalised: hit distances count in its lengths
    bool valid = false;    // false for an empty viewport or a singular matrix

    static PickRay Through(int x, int y, IDirect3DDevice9* device, const D3DXMATRIX& world);
};
