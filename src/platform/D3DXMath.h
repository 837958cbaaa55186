#pragma once

// Vector and matrix mathematics with the conventions of the D3DX utility library:
// row vectors (a point p becomes p x M), so in A x B the transform A applies first;
// right-handed projection with depth mapped onto 0..1.

struct D3DXVECTOR3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    D3DXVECTOR3() = default;
    D3DXVECTOR3(float fx, float fy, float fz) : x(fx), y(fy), z(fz) {}

    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };

    D3DXMATRIX() : m{} {}
    D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
               float m24, float m31, float m32, float m33, float m34, float m41, float m42,
               float m43, float m44);

    // The 16 floats row by row; the same array is an OpenGL column-major matrix.
    const float* Data() const { return &m[0][0]; }

    D3DXMATRIX operator*(const D3DXMATRIX& other) const;
    bool operator==(const D3DXMATRIX& other) const;
    bool operator!=(const D3DXMATRIX& other) const { return !(*this == other); }
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z);
// Maps (0, 1, 0) to (0, cos t, sin t).
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
// Maps (0, 0, 1) to (sin t, 0, cos t).
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
// Maps (1, 0, 0) to (cos t, sin t, 0).
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// General inverse. Returns null, leaving out untouched, when the matrix is singular.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, float fovY, float aspect, float zNear,
                                       float zFar);

// The point (x, y, z, 1) times the matrix, divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// The direction (x, y, z, 0) times the matrix: no translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// A zero vector stays zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// Inline: smoothing takes one for every pair of faces around a vertex.
inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
float D3DXVec3Length(const D3DXVECTOR3* v);

// Ray against triangle (p0, p1, p2). A hit has barycentric u >= 0, v >= 0, u + v <= 1 and a
// distance >= 0 along the direction, counted in lengths of the direction vector. u, v and
// distance may be null.
bool D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* rayPos, const D3DXVECTOR3* rayDir, float* u, float* v,
                      float* distance);
