#!/usr/bin/env python3
"""Generates the sample program-folder content: models, textures and sounds.

Run from anywhere; it writes beside itself:
  MQO/Shop.mqo         a static, textured shop building
  MQA/SharpHair.mqa    a character with spiky hair and the object motions
                       "歩く" (walk, 30 frames) and "ジャンプ" (jump, 20 frames)
  MQA/Worm.qkba        a worm skinned on four bones, with the bone animations
                       "くねくね" (wriggle, 40 frames) and "のびる" (stretch, 30 frames)
  TEXTURE/*.bmp        the textures these use
  WAV/*.wav            short sounds in three different PCM formats

Model files are code page 932 text with CR LF line ends. Faces run clockwise as
seen from outside, which is how the renderer's culling shows them.
"""

import math
import os
import struct
import wave

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- geometry

class Mesh:
    """Vertices (with an optional bone) and faces (indices, material, uvs)."""

    def __init__(self):
        self.vertices = []
        self.faces = []

    def vertex(self, position, bone=None):
        self.vertices.append((tuple(position), bone))
        return len(self.vertices) - 1

    def face(self, indices, material, uvs=None, inside=None):
        """Adds a face; with `inside` (a point inside the solid) the corner order
        is made clockwise as seen from outside."""
        indices = list(indices)
        uvs = list(uvs) if uvs else None
        if inside is not None and self._faces_inside(indices, inside) is False:
            indices.reverse()
            if uvs:
                uvs.reverse()
        self.faces.append((indices, material, uvs))

    def _faces_inside(self, indices, inside):
        p = [self.vertices[i][0] for i in indices[:3]]
        a = [p[1][k] - p[0][k] for k in range(3)]
        b = [p[2][k] - p[0][k] for k in range(3)]
        normal = (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                  a[0] * b[1] - a[1] * b[0])
        centre = [sum(self.vertices[i][0][k] for i in indices) / len(indices)
                  for k in range(3)]
        inward = [inside[k] - centre[k] for k in range(3)]
        # The face normal of a clockwise-from-outside face points inwards.
        return sum(normal[k] * inward[k] for k in range(3)) > 0


def add_box(mesh, low, high, material, bone=None, uv_scale=None):
    """An axis-aligned box; uv_scale (u, v per unit) maps a texture on its sides."""
    x0, y0, z0 = low
    x1, y1, z1 = high
    corner = {}
    for ix, x in enumerate((x0, x1)):
        for iy, y in enumerate((y0, y1)):
            for iz, z in enumerate((z0, z1)):
                corner[(ix, iy, iz)] = mesh.vertex((x, y, z), bone)
    inside = ((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2)
    sides = [
        [(0, 0, 1), (0, 1, 1), (1, 1, 1), (1, 0, 1)],  # front (+z)
        [(1, 0, 0), (1, 1, 0), (0, 1, 0), (0, 0, 0)],  # back (-z)
        [(0, 0, 0), (0, 1, 0), (0, 1, 1), (0, 0, 1)],  # left (-x)
        [(1, 0, 1), (1, 1, 1), (1, 1, 0), (1, 0, 0)],  # right (+x)
        [(0, 1, 1), (0, 1, 0), (1, 1, 0), (1, 1, 1)],  # top (+y)
        [(0, 0, 0), (0, 0, 1), (1, 0, 1), (1, 0, 0)],  # bottom (-y)
    ]
    for side in sides:
        indices = [corner[c] for c in side]
        uvs = None
        if uv_scale:
            # Corner 0 to 1 runs up the side, corner 1 to 2 across it.
            p = [mesh.vertices[i][0] for i in indices]
            height = math.dist(p[0], p[1])
            width = math.dist(p[1], p[2])
            u, v = width * uv_scale[0], height * uv_scale[1]
            uvs = [(0, v), (0, 0), (u, 0), (u, v)]
        mesh.face(indices, material, uvs, inside)


def add_pyramid(mesh, base_centre, half, apex, material, bone=None):
    cx, cy, cz = base_centre
    base = [mesh.vertex((cx - half, cy, cz - half), bone),
            mesh.vertex((cx + half, cy, cz - half), bone),
            mesh.vertex((cx + half, cy, cz + half), bone),
            mesh.vertex((cx - half, cy, cz + half), bone)]
    top = mesh.vertex(apex, bone)
    inside = ((cx * 3 + apex[0]) / 4, (cy * 3 + apex[1]) / 4, (cz * 3 + apex[2]) / 4)
    for i in range(4):
        mesh.face([base[i], base[(i + 1) % 4], top], material, None, inside)
    mesh.face(base, material, None, inside)


# ---------------------------------------------------------------- matrices
# Row-vector matrices: a point p becomes p x M, so in A x B the A applies first.

def identity():
    return [[1.0 if r == c else 0.0 for c in range(4)] for r in range(4)]


def multiply(a, b):
    return [[sum(a[r][k] * b[k][c] for k in range(4)) for c in range(4)] for r in range(4)]


def translation(x, y, z):
    m = identity()
    m[3][0], m[3][1], m[3][2] = x, y, z
    return m


def scaling(x, y, z):
    m = identity()
    m[0][0], m[1][1], m[2][2] = x, y, z
    return m


def rotation_x(angle):
    c, s = math.cos(angle), math.sin(angle)
    return [[1, 0, 0, 0], [0, c, s, 0], [0, -s, c, 0], [0, 0, 0, 1]]


def rotation_y(angle):
    c, s = math.cos(angle), math.sin(angle)
    return [[c, 0, -s, 0], [0, 1, 0, 0], [s, 0, c, 0], [0, 0, 0, 1]]


def about(pivot, matrix):
    """The matrix applied around a pivot point."""
    return multiply(multiply(translation(-pivot[0], -pivot[1], -pivot[2]), matrix),
                    translation(*pivot))


# ---------------------------------------------------------------- writers

def number(value):
    return f"{value:.4f}"


def matrix_line(m):
    return " ".join(f"{m[r][c]:.6f}" for r in range(4) for c in range(4))


def write_text(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write("\r\n".join(lines + [""]).encode("cp932"))


def header():
    return ["Metasequoia Document", "Format Text Ver 1.0", "",
            "Scene {", "\tpos 0.0000 0.0000 1500.0000", "\tlookat 0.0000 0.0000 0.0000",
            "\thead -0.5236", "\tpich 0.5236", "\tortho 0", "\tzoom2 5.0000",
            "\tamb 0.250 0.250 0.250", "}"]


def material_lines(materials):
    lines = [f"Material {len(materials)} {{"]
    for name, colour, extra in materials:
        r, g, b, a = colour
        lines.append(f'\t"{name}" shader(3) col({r:.3f} {g:.3f} {b:.3f} {a:.3f}) '
                     f"dif(0.800) amb(0.600) emi(0.000) spc(0.200) power(8.00){extra}")
    lines.append("}")
    return lines


def object_lines(name, mesh, facet=59.5, motions=()):
    lines = [f'Object "{name}" {{', "\tdepth 0", "\tfolding 0",
             "\tscale 1.000000 1.000000 1.000000", "\trotation 0.000000 0.000000 0.000000",
             "\ttranslation 0.000000 0.000000 0.000000", "\tvisible 15", "\tlocking 0",
             "\tshading 1", f"\tfacet {facet}", "\tcolor 0.898 0.498 0.698", "\tcolor_type 0",
             f"\tvertex {len(mesh.vertices)} {{"]
    for (x, y, z), bone in mesh.vertices:
        bone_group = f" B({bone})" if bone is not None else ""
        lines.append(f"\t\t{number(x)} {number(y)} {number(z)}{bone_group}")
    lines.append("\t}")
    lines.append(f"\tface {len(mesh.faces)} {{")
    for indices, material, uvs in mesh.faces:
        line = f"\t\t{len(indices)} V({' '.join(str(i) for i in indices)}) M({material})"
        if uvs:
            line += " UV(" + " ".join(f"{u:.5f} {v:.5f}" for u, v in uvs) + ")"
        lines.append(line)
    lines.append("\t}")
    for motion_name, frames in motions:
        lines.append(f'\tanimation "{motion_name}" {{')
        lines.extend("\t\t" + matrix_line(m) for m in frames)
        lines.append("\t}")
    lines.append("}")
    return lines


def write_bmp(path, width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    file_header = struct.pack("<2sIHHI", b"BM", 54 + len(image), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(file_header + info + image)


def write_wav(path, rate, channels, sample_bytes, samples):
    """samples: a list of frames, each a tuple of floats in -1..1 per channel."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = bytearray()
    for frame in samples:
        for value in frame:
            value = max(-1.0, min(1.0, value))
            if sample_bytes == 1:
                data.append(int(round(value * 127)) + 128)
            else:
                data += struct.pack("<h", int(round(value * 32767)))
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(sample_bytes)
        out.setframerate(rate)
        out.writeframes(bytes(data))


# ---------------------------------------------------------------- content

def shop():
    building, roof, sign = Mesh(), Mesh(), Mesh()
    add_box(building, (-200, 0, -120), (200, 220, 120), 0, uv_scale=(1 / 100, 1 / 110))
    add_box(building, (-60, 0, 120), (60, 150, 128), 2)  # door
    add_box(sign, (-150, 225, 110), (150, 285, 130), 3, uv_scale=(1 / 300, 1 / 60))
    # A gable roof over the building: two slopes and two gable ends.
    ridge, eave = 320, 220
    v = [roof.vertex(p) for p in [(-220, eave, -140), (220, eave, -140), (220, ridge, 0),
                                  (-220, ridge, 0), (-220, eave, 140), (220, eave, 140)]]
    inside = (0, 250, 0)
    roof.face([v[0], v[1], v[2], v[3]], 1, None, inside)
    roof.face([v[4], v[3], v[2], v[5]], 1, None, inside)
    roof.face([v[0], v[3], v[4]], 1, None, inside)
    roof.face([v[1], v[5], v[2]], 1, None, inside)
    roof.face([v[0], v[4], v[5], v[1]], 1, None, inside)
    lines = header() + material_lines([
        ("wall", (1.0, 1.0, 1.0, 1.0), ' tex("shop_wall.bmp")'),
        ("roof", (0.70, 0.15, 0.10, 1.0), ""),
        ("door", (0.45, 0.28, 0.12, 1.0), ""),
        ("sign", (1.0, 1.0, 1.0, 1.0), ' tex("shop_sign.bmp")'),
    ])
    lines += object_lines("building", building, facet=30.0)
    lines += object_lines("roof", roof, facet=30.0)
    lines += object_lines("sign", sign, facet=30.0)
    lines.append("Eof")
    write_text(os.path.join(HERE, "MQO", "Shop.mqo"), lines)


def sharp_hair():
    parts = {}

    def part(name):
        parts[name] = Mesh()
        return parts[name]

    add_box(part("body"), (-35, 90, -20), (35, 170, 20), 2)
    add_box(part("head"), (-25, 175, -25), (25, 225, 25), 0)
    hair = part("hair")
    add_box(hair, (-27, 215, -27), (27, 230, 27), 1)
    spikes = [((-15, 230, -10), (-35, 275, -15)), ((0, 230, -12), (0, 285, -20)),
              ((15, 230, -10), (35, 275, -15)), ((-15, 230, 10), (-30, 268, 25)),
              ((15, 230, 10), (30, 268, 25)), ((0, 230, 12), (0, 262, 35))]
    for base, apex in spikes:
        add_pyramid(hair, base, 9, apex, 1)
    add_box(part("arm_l"), (-55, 100, -10), (-37, 168, 10), 2)
    add_box(part("arm_r"), (37, 100, -10), (55, 168, 10), 2)
    add_box(part("leg_l"), (-30, 0, -12), (-4, 90, 12), 3)
    add_box(part("leg_r"), (4, 0, -12), (30, 90, 12), 3)

    shoulder_l, shoulder_r = (-46, 165, 0), (46, 165, 0)
    hip_l, hip_r = (-17, 90, 0), (17, 90, 0)

    def walk(name, f):
        phase = 2 * math.pi * f / 30
        bob = translation(0, 4 * abs(math.sin(phase)), 0)
        swing = {"arm_l": (shoulder_l, 0.45), "arm_r": (shoulder_r, -0.45),
                 "leg_l": (hip_l, -0.5), "leg_r": (hip_r, 0.5)}
        if name in swing:
            pivot, amount = swing[name]
            return multiply(about(pivot, rotation_x(amount * math.sin(phase))), bob)
        return bob

    def jump(name, f):
        height = 90 * math.sin(math.pi * f / 19)
        lift = translation(0, height, 0)
        raise_arm = {"arm_l": shoulder_l, "arm_r": shoulder_r}
        if name in raise_arm:
            amount = -2.4 * math.sin(math.pi * f / 19)
            side = -1 if name == "arm_l" else 1
            arm = about(raise_arm[name], [[math.cos(amount * side), math.sin(amount * side), 0, 0],
                                          [-math.sin(amount * side), math.cos(amount * side), 0, 0],
                                          [0, 0, 1, 0], [0, 0, 0, 1]])
            return multiply(arm, lift)
        return lift

    lines = header() + material_lines([
        ("skin", (1.0, 0.82, 0.68, 1.0), ""),
        ("hair", (0.95, 0.78, 0.10, 1.0), ""),
        ("shirt", (0.15, 0.35, 0.85, 1.0), ""),
        ("pants", (0.20, 0.20, 0.25, 1.0), ""),
    ])
    for name, mesh in parts.items():
        motions = [("歩く", [walk(name, f) for f in range(30)]),
                   ("ジャンプ", [jump(name, f) for f in range(20)])]
        lines += object_lines(name, mesh, facet=40.0, motions=motions)
    lines.append("Eof")
    write_text(os.path.join(HERE, "MQA", "SharpHair.mqa"), lines)


def worm():
    mesh = Mesh()
    rings, sides, radius, length = 13, 8, 22, 260
    ring_vertices = []
    for r in range(rings):
        x = -length / 2 + length * r / (rings - 1)
        bone = min(3, r * 4 // rings)
        taper = 1.0 - 0.5 * abs(r - (rings - 1) / 2) / ((rings - 1) / 2)
        ring = []
        for s in range(sides):
            angle = 2 * math.pi * s / sides
            ring.append(mesh.vertex((x, 30 + radius * taper * math.cos(angle),
                                     radius * taper * math.sin(angle)), bone))
        ring_vertices.append(ring)
    for r in range(rings - 1):
        for s in range(sides):
            a, b = ring_vertices[r][s], ring_vertices[r][(s + 1) % sides]
            c, d = ring_vertices[r + 1][(s + 1) % sides], ring_vertices[r + 1][s]
            centre = (-length / 2 + length * (r + 0.5) / (rings - 1), 30, 0)
            uvs = [(s / sides, r / (rings - 1)), ((s + 1) / sides, r / (rings - 1)),
                   ((s + 1) / sides, (r + 1) / (rings - 1)), (s / sides, (r + 1) / (rings - 1))]
            mesh.face([a, b, c, d], 0, uvs, centre)
    for end, r in ((0, 0), (1, rings - 1)):
        x = -length / 2 + length * r / (rings - 1)
        centre = (x + (8 if end == 0 else -8), 30, 0)
        ring = ring_vertices[r]
        for s in range(1, sides - 1):
            mesh.face([ring[0], ring[s], ring[s + 1]], 0, None, centre)

    segment_centres = [-length / 2 + length * (k + 0.5) / 4 for k in range(4)]

    def wriggle(bone, f):
        phase = 2 * math.pi * f / 40 + bone * 1.2
        pivot = (segment_centres[bone], 30, 0)
        return multiply(about(pivot, rotation_y(0.35 * math.sin(phase))),
                        translation(0, 0, 30 * math.sin(phase)))

    def stretch(bone, f):
        amount = 1.0 + 0.35 * math.sin(math.pi * f / 29)
        return translation(segment_centres[bone] * (amount - 1.0), 0, 0)

    lines = header() + material_lines([
        ("worm", (1.0, 1.0, 1.0, 1.0), ' tex("worm_skin.bmp")'),
    ])
    lines += object_lines("worm", mesh, facet=60.0)
    for name, frames, motion in (("くねくね", 40, wriggle), ("のびる", 30, stretch)):
        lines.append(f'BoneAnimation "{name}" {{')
        for bone in range(4):
            lines.append("\tbone {")
            lines.extend("\t\t" + matrix_line(motion(bone, f)) for f in range(frames))
            lines.append("\t}")
        lines.append("}")
    lines.append("Eof")
    write_text(os.path.join(HERE, "MQA", "Worm.qkba"), lines)


def textures():
    folder = os.path.join(HERE, "TEXTURE")

    def bricks(x, y):
        row = y // 16
        offset = 16 if row % 2 else 0
        mortar = y % 16 < 2 or (x + offset) % 32 < 2
        return (200, 196, 186) if mortar else (168, 72 + (row * 7) % 20, 48)

    def sign(x, y):
        if y < 4 or y >= 60 or x < 4 or x >= 252:
            return (40, 40, 40)
        return (250, 220, 40) if (x // 32) % 2 == 0 else (30, 120, 200)

    def skin(x, y):
        return (90, 170, 60) if (y // 8) % 2 == 0 else (200, 220, 80)

    write_bmp(os.path.join(folder, "shop_wall.bmp"), 64, 64, bricks)
    write_bmp(os.path.join(folder, "shop_sign.bmp"), 256, 64, sign)
    write_bmp(os.path.join(folder, "worm_skin.bmp"), 32, 64, skin)


def sounds():
    folder = os.path.join(HERE, "WAV")

    def tone(rate, seconds, notes, channels):
        frames = []
        count = int(rate * seconds)
        for i in range(count):
            t = i / rate
            note = notes[min(len(notes) - 1, int(t / seconds * len(notes)))]
            envelope = math.exp(-3.0 * (t % (seconds / len(notes))))
            value = 0.5 * envelope * math.sin(2 * math.pi * note * t)
            frames.append((value,) * channels)
        return frames

    write_wav(os.path.join(folder, "chime.wav"), 22050, 1, 2,
              tone(22050, 0.6, [784.0, 659.3, 523.3], 1))
    write_wav(os.path.join(folder, "fanfare.wav"), 44100, 2, 2,
              tone(44100, 1.0, [523.3, 659.3, 784.0, 1046.5], 2))
    step = []
    seed = 12345
    for i in range(1800):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = (seed / 0x3FFFFFFF) - 1.0
        step.append((0.6 * noise * math.exp(-i / 300.0),))
    write_wav(os.path.join(folder, "step.wav"), 11025, 1, 1, step)


if __name__ == "__main__":
    shop()
    sharp_hair()
    worm()
    textures()
    sounds()
