// The 3D view in the running main window, driven with the mouse: every rule of its mouse
// table (the free camera, the movie camera in each edit mode, each handle in each edit mode),
// dragging a character by its centre handle, zooming with the wheel, and the movie camera,
// which the mouse moves only while no character is selected.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "support/AppSession.h"
#include "timeline/CTimeLineView.h"

#include <QWheelEvent>

#include <array>
#include <cmath>

using namespace AppSession;

namespace {

QWidget& View() {
    return *Frame().m_pView;
}

// The middle of the yellow centre cube of the selected character's handles, as shown.
std::optional<QPoint> CentreHandle() {
    const QImage shown = Grab(View());
    QPoint sum;
    int count = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() < 80) {
                sum += QPoint(x, y);
                ++count;
            }
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    return sum / count;
}

void Drag(QPoint from, const std::vector<QPoint>& steps, Qt::MouseButtons buttons = Qt::LeftButton,
          Qt::KeyboardModifiers keys = Qt::NoModifier) {
    AppSession::Drag(View(), from, steps, buttons, keys);
}

D3DXVECTOR3 Difference(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

// What a drag may change: the free camera, the movie camera's key at frame 0 and the
// character's key at frame 0, each by its position, rotation and scale.
enum Target {
    FreePosition,
    FreeRotation,
    FreeScale,
    MoviePosition,
    MovieRotation,
    MovieScale,
    CharacterPosition,
    CharacterRotation,
    CharacterScale,
    TargetCount
};
using SceneValues = std::array<D3DXVECTOR3, TargetCount>;

const char* const TargetNames[TargetCount] = {
    "free camera position",  "free camera rotation",  "free camera scale",
    "movie camera position", "movie camera rotation", "movie camera scale",
    "character position",    "character rotation",    "character scale"};

CAnimation& CharacterKey() {
    return Scene().GetCharacter(0)->m_keys[0];
}

SceneValues ReadValues() {
    const CAnimation& free = Scene().m_perspectiveCamera;
    const CAnimation& movie = Scene().m_cameraKeys[0];
    const CAnimation& key = CharacterKey();
    return {free.m_position, free.m_rotation, free.m_scale,   movie.m_position, movie.m_rotation,
            movie.m_scale,   key.m_position,  key.m_rotation, key.m_scale};
}

// The camera rotations that the rules below read, in degrees.
constexpr float FreeRotationX = 30.0f;
constexpr float FreeRotationY = -30.0f;
constexpr float MovieRotationY = 15.0f;

// Every rule starts from these: the free camera turned as a new scene turns it and the movie
// camera turned about y, both at the given distance; the character at rest.
void SetStartValues(float cameraDistance) {
    CAnimation& free = Scene().m_perspectiveCamera;
    free.m_position = D3DXVECTOR3(0.0f, 0.0f, -cameraDistance);
    free.m_rotation = D3DXVECTOR3(FreeRotationX, FreeRotationY, 0.0f);
    free.m_scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    CAnimation& movie = Scene().m_cameraKeys[0];
    movie.m_position = D3DXVECTOR3(0.0f, 0.0f, -cameraDistance);
    movie.m_rotation = D3DXVECTOR3(10.0f, MovieRotationY, 0.0f);
    movie.m_scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    CAnimation& key = CharacterKey();
    key.m_position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    key.m_rotation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    key.m_scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    View().update();
    Settle();
}

// Sine and cosine of an angle in degrees, in double precision.
float Sin(float degrees) {
    return static_cast<float>(std::sin(degrees * 0.017453292));
}
float Cos(float degrees) {
    return static_cast<float>(std::cos(degrees * 0.017453292));
}

// The change of one mouse move by (dx, dy), screen y growing downwards.
using MoveRule = D3DXVECTOR3 (*)(float dx, float dy);

D3DXVECTOR3 Nothing(float, float) {
    return {0.0f, 0.0f, 0.0f};
}
D3DXVECTOR3 Zoom(float dx, float dy) {
    const float s = (dx - dy) / 200.0f;
    return {s, s, s};
}
D3DXVECTOR3 Pan(float dx, float dy) {
    return {10.0f * dx, -10.0f * dy, 0.0f};
}
D3DXVECTOR3 Turn(float dx, float dy) {
    return {dy, dx, 0.0f};
}
// Walking in the movie camera's x-z plane: forward by dy, sideways by dx.
D3DXVECTOR3 Walk(float dx, float dy) {
    const float a = MovieRotationY;
    const float b = MovieRotationY + 90.0f;
    return {2.0f * dy * Sin(a) - 2.0f * dx * Sin(b), 0.0f,
            -2.0f * dy * Cos(a) + 2.0f * dx * Cos(b)};
}
D3DXVECTOR3 Lift(float, float dy) {
    return {0.0f, 2.0f * dy, 0.0f};
}
D3DXVECTOR3 TurnWithLeft(float dx, float dy) {
    return {dy / 10.0f, dx / 10.0f, 0.0f};
}
D3DXVECTOR3 TurnWithRight(float dx, float dy) {
    return {0.0f, dy / 10.0f, dx / 10.0f};
}
D3DXVECTOR3 MoveX(float dx, float dy) {
    return {4.0f * (dx - dy), 0.0f, 0.0f};
}
D3DXVECTOR3 MoveY(float dx, float dy) {
    return {0.0f, 4.0f * (dx - dy), 0.0f};
}
D3DXVECTOR3 MoveZ(float dx, float dy) {
    return {0.0f, 0.0f, 4.0f * (dx + dy)};
}
D3DXVECTOR3 MoveWhole(float dx, float dy) {
    return {4.0f * 0.5f * dx * Cos(FreeRotationY), 4.0f * -0.5f * dy * Cos(FreeRotationX),
            4.0f * 0.5f * (dx * Sin(FreeRotationY) + dy * Sin(FreeRotationX))};
}
D3DXVECTOR3 RotateX(float dx, float dy) {
    return {(dx + dy) / 2.0f, 0.0f, 0.0f};
}
D3DXVECTOR3 RotateY(float dx, float dy) {
    return {0.0f, (dx - dy) / 2.0f, 0.0f};
}
D3DXVECTOR3 RotateZ(float dx, float dy) {
    return {0.0f, 0.0f, (dy - dx) / 2.0f};
}
D3DXVECTOR3 RotateWhole(float dx, float dy) {
    return {dy / 2.0f, dx / 2.0f, 0.0f};
}
D3DXVECTOR3 RotateWholeWithoutY(float, float dy) {
    return {dy / 2.0f, 0.0f, 0.0f};
}
D3DXVECTOR3 ScaleX(float dx, float dy) {
    return {(dx - dy) / 20.0f, 0.0f, 0.0f};
}
D3DXVECTOR3 ScaleY(float dx, float dy) {
    return {0.0f, (dx - dy) / 20.0f, 0.0f};
}
D3DXVECTOR3 ScaleZ(float dx, float dy) {
    return {0.0f, 0.0f, (dx - dy) / 20.0f};
}
D3DXVECTOR3 ScaleWhole(float dx, float dy) {
    const float s = (dx - dy) / 20.0f;
    return {s, s, s};
}

constexpr Qt::MouseButtons Left = Qt::LeftButton;
constexpr Qt::MouseButtons Right = Qt::RightButton;
constexpr Qt::MouseButtons Middle = Qt::MiddleButton;
constexpr Qt::MouseButtons LeftAndRight = Qt::LeftButton | Qt::RightButton;
constexpr Qt::MouseButtons LeftAndMiddle = Qt::LeftButton | Qt::MiddleButton;
constexpr int Free = CameraPerspective;
constexpr int Movie = CameraTrack;
// Where the drag starts: on a handle, or on a corner of the view with nothing in it.
constexpr int OnX = PickedHandleX;
constexpr int OnY = PickedHandleY;
constexpr int OnZ = PickedHandleZ;
constexpr int OnCentre = PickedCentre;
constexpr int OnNothing = PickedNothing;
constexpr int AllAxes = 7;
constexpr int AllButX = 6;
constexpr int AllButY = 5;

struct MouseRule {
    const char* name;
    int cameraMode;
    int editMode;
    bool characterSelected;
    int pressedOn;
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers keys;
    // The axis flags x, y, z as bits 1, 2, 4.
    int axes;
    // What the drag changes, and by how much each move; everything else stays.
    Target target;
    MoveRule rule;
};

constexpr Qt::KeyboardModifiers NoKeys = Qt::NoModifier;
constexpr Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;

// clang-format off
const MouseRule MouseRules[] = {
    // The free camera, first matching line only; a left drag runs the handle rule as well,
    // which without a handle does nothing.
    {"free: left and right zoom",     Free,  EditMove,   false, OnNothing, LeftAndRight,  NoKeys, AllAxes, FreeScale,         Zoom},
    {"free: left with Ctrl pans",     Free,  EditMove,   false, OnNothing, Left,          Ctrl,   AllAxes, FreePosition,      Pan},
    {"free: left with middle pans",   Free,  EditMove,   false, OnNothing, LeftAndMiddle, NoKeys, AllAxes, FreePosition,      Pan},
    {"free: right turns",             Free,  EditMove,   false, OnNothing, Right,         NoKeys, AllAxes, FreeRotation,      Turn},
    {"free: right with Ctrl turns",   Free,  EditMove,   false, OnNothing, Right,         Ctrl,   AllAxes, FreeRotation,      Turn},
    {"free: middle pans",             Free,  EditMove,   false, OnNothing, Middle,        NoKeys, AllAxes, FreePosition,      Pan},
    {"free: left alone does nothing", Free,  EditMove,   false, OnNothing, Left,          NoKeys, AllAxes, FreePosition,      Nothing},
    {"free: no button does nothing",  Free,  EditMove,   false, OnNothing, Qt::NoButton,  NoKeys, AllAxes, FreePosition,      Nothing},
    // The movie camera's key, by edit mode, while no character is selected.
    {"movie: left walks",             Movie, EditMove,   false, OnNothing, Left,          NoKeys, AllAxes, MoviePosition,     Walk},
    {"movie: left turns",             Movie, EditRotate, false, OnNothing, Left,          NoKeys, AllAxes, MovieRotation,     TurnWithLeft},
    {"movie: left zooms",             Movie, EditScale,  false, OnNothing, Left,          NoKeys, AllAxes, MovieScale,        Zoom},
    {"movie: right lifts",            Movie, EditMove,   false, OnNothing, Right,         NoKeys, AllAxes, MoviePosition,     Lift},
    {"movie: right turns",            Movie, EditRotate, false, OnNothing, Right,         NoKeys, AllAxes, MovieRotation,     TurnWithRight},
    {"movie: right zooms",            Movie, EditScale,  false, OnNothing, Right,         NoKeys, AllAxes, MovieScale,        Zoom},
    {"movie: left with a character",  Movie, EditMove,   true,  OnNothing, Left,          NoKeys, AllAxes, MoviePosition,     Nothing},
    {"movie: right with a character", Movie, EditRotate, true,  OnNothing, Right,         NoKeys, AllAxes, MovieRotation,     Nothing},
    // The handles, by edit mode; the move is four times the vector.
    {"move: x handle",                Free,  EditMove,   true,  OnX,       Left,          NoKeys, AllAxes, CharacterPosition, MoveX},
    {"move: y handle",                Free,  EditMove,   true,  OnY,       Left,          NoKeys, AllAxes, CharacterPosition, MoveY},
    {"move: z handle",                Free,  EditMove,   true,  OnZ,       Left,          NoKeys, AllAxes, CharacterPosition, MoveZ},
    {"move: centre",                  Free,  EditMove,   true,  OnCentre,  Left,          NoKeys, AllAxes, CharacterPosition, MoveWhole},
    {"move: x handle, x axis off",    Free,  EditMove,   true,  OnX,       Left,          NoKeys, AllButX, CharacterPosition, Nothing},
    {"rotate: x ring",                Free,  EditRotate, true,  OnX,       Left,          NoKeys, AllAxes, CharacterRotation, RotateX},
    {"rotate: y ring",                Free,  EditRotate, true,  OnY,       Left,          NoKeys, AllAxes, CharacterRotation, RotateY},
    {"rotate: z ring",                Free,  EditRotate, true,  OnZ,       Left,          NoKeys, AllAxes, CharacterRotation, RotateZ},
    {"rotate: centre",                Free,  EditRotate, true,  OnCentre,  Left,          NoKeys, AllAxes, CharacterRotation, RotateWhole},
    {"rotate: centre, y axis off",    Free,  EditRotate, true,  OnCentre,  Left,          NoKeys, AllButY, CharacterRotation, RotateWholeWithoutY},
    {"scale: x handle",               Free,  EditScale,  true,  OnX,       Left,          NoKeys, AllAxes, CharacterScale,    ScaleX},
    {"scale: y handle",               Free,  EditScale,  true,  OnY,       Left,          NoKeys, AllAxes, CharacterScale,    ScaleY},
    {"scale: z handle",               Free,  EditScale,  true,  OnZ,       Left,          NoKeys, AllAxes, CharacterScale,    ScaleZ},
    {"scale: centre",                 Free,  EditScale,  true,  OnCentre,  Left,          NoKeys, AllAxes, CharacterScale,    ScaleWhole},
    // With the movie camera a handle drags the character all the same.
    {"movie: rotate the x ring",      Movie, EditRotate, true,  OnX,       Left,          NoKeys, AllAxes, CharacterRotation, RotateX},
};
// clang-format on

// The moves of every drag: dx and dy differ in size and sign, so that no rule passes with
// the two exchanged or a sign turned.
const std::vector<QPoint> DragSteps = {QPoint(7, -3), QPoint(-2, 5)};

// The colour of each axis handle as drawn.
bool HasHandleColour(QRgb pixel, int handle) {
    const int r = qRed(pixel);
    const int g = qGreen(pixel);
    const int b = qBlue(pixel);
    switch (handle) {
    case PickedHandleX:
        return r > 200 && g < 60 && b < 60;
    case PickedHandleY:
        return g > 200 && r < 60 && b < 60;
    default:
        return b > 200 && r < 60 && g < 60;
    }
}

// A point of the axis handle as it shows, among the pixels that the handles' drawing changed:
// the pixel deep inside its colour that lies farthest from the figure's middle, clear of the
// other handles.
std::optional<QPoint> AxisHandlePoint(int handle) {
    CCharacter& character = *Scene().GetCharacter(0);
    character.m_bLocked = true; // a locked character shows no handles
    View().update();
    const QImage bare = Grab(View());
    character.m_bLocked = false;
    View().update();
    const QImage shown = Grab(View());
    const auto isHandle = [&](int x, int y) {
        return shown.pixel(x, y) != bare.pixel(x, y) && HasHandleColour(shown.pixel(x, y), handle);
    };
    QPoint figure;
    int figureCount = 0;
    std::vector<QPoint> inside;
    for (int y = 1; y + 1 < shown.height(); ++y) {
        for (int x = 1; x + 1 < shown.width(); ++x) {
            if (shown.pixel(x, y) == bare.pixel(x, y)) {
                continue;
            }
            figure += QPoint(x, y);
            ++figureCount;
            if (!isHandle(x, y)) {
                continue;
            }
            if (isHandle(x - 1, y) && isHandle(x + 1, y) && isHandle(x, y - 1) &&
                isHandle(x, y + 1)) {
                inside.emplace_back(x, y);
            }
        }
    }
    if (inside.empty()) {
        return std::nullopt;
    }
    const QPoint middle = figure / figureCount;
    return *std::max_element(inside.begin(), inside.end(), [&](QPoint a, QPoint b) {
        return (a - middle).manhattanLength() < (b - middle).manhattanLength();
    });
}

bool Near(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return std::abs(a.x - b.x) < 1e-3f && std::abs(a.y - b.y) < 1e-3f &&
           std::abs(a.z - b.z) < 1e-3f;
}

QString Text(const D3DXVECTOR3& v) {
    return QStringLiteral("(%1, %2, %3)").arg(v.x).arg(v.y).arg(v.z);
}

// Chooses the rule's camera, selection and edit mode as a user does: the camera row of the
// timeline for the movie camera, the character's row to select it, the perspective command
// for the free camera, the edit mode's command.
void ChooseSetting(const MouseRule& rule) {
    ClickCell(3, 0); // the camera row: the movie camera, no character
    if (rule.characterSelected) {
        ClickCell(0, 0);
    }
    if (rule.cameraMode == CameraPerspective) {
        Command(ID_CAMERA_PERSPECTIVE);
    }
    Command(rule.editMode == EditMove     ? ID_EDIT_MOVE
            : rule.editMode == EditRotate ? ID_EDIT_ROTATE
                                          : ID_EDIT_SCALE);
    Scene().m_bAxisX = (rule.axes & 1) != 0;
    Scene().m_bAxisY = (rule.axes & 2) != 0;
    Scene().m_bAxisZ = (rule.axes & 4) != 0;
    Settle();
}

} // namespace

class SceneViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Start()); }
    void init() {
        NewDocument();
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        // Whatever the test before left: move mode on all three axes.
        Command(ID_EDIT_MOVE);
        Scene().m_bAxisX = Scene().m_bAxisY = Scene().m_bAxisZ = TRUE;
    }
    void cleanupTestCase() { Stop(); }

    void EveryMouseRuleChangesItsTargetOnly() {
        for (const MouseRule& rule : MouseRules) {
            ChooseSetting(rule);
            QCOMPARE(Scene().m_nCameraMode, rule.cameraMode);
            // Without a character the selection is the camera row's index.
            QCOMPARE(Scene().m_nSelected, rule.characterSelected ? 0 : 3);
            // Nearer with a handle, which then shows large enough to aim at.
            SetStartValues(rule.pressedOn == OnNothing ? 1000.0f : 300.0f);
            std::optional<QPoint> from = QPoint(8, 8);
            if (rule.pressedOn != OnNothing) {
                from =
                    rule.pressedOn == OnCentre ? CentreHandle() : AxisHandlePoint(rule.pressedOn);
                QVERIFY2(from.has_value(), rule.name);
            }
            const SceneValues before = ReadValues();
            Drag(*from, DragSteps, rule.buttons, rule.keys);
            if (rule.buttons.testFlag(Qt::LeftButton)) {
                QVERIFY2(Scene().m_nPickedHandle == rule.pressedOn, rule.name);
            }
            const SceneValues after = ReadValues();
            for (int target = 0; target < TargetCount; ++target) {
                D3DXVECTOR3 expected = before[target];
                if (target == rule.target) {
                    for (const QPoint& step : DragSteps) {
                        expected = expected + rule.rule(static_cast<float>(step.x()),
                                                        static_cast<float>(step.y()));
                    }
                }
                QVERIFY2(Near(after[target], expected),
                         qPrintable(QStringLiteral("%1: %2 is %3, not %4")
                                        .arg(QString::fromLatin1(rule.name),
                                             QString::fromLatin1(TargetNames[target]),
                                             Text(after[target]), Text(expected))));
            }
        }
    }

    void DraggingTheCentreHandleMovesTheCharacter() {
        Command(ID_CAMERA_FRONT); // camera rotation (0, 0, 0)
        const std::optional<QPoint> handle = CentreHandle();
        QVERIFY(handle.has_value());
        const D3DXVECTOR3 before = Scene().GetSelectedCharacterPosition(0);
        Document().SetModifiedFlag(false);
        Drag(*handle, {QPoint(10, 0), QPoint(0, 6), QPoint(-3, -2)});
        QCOMPARE(Scene().m_nPickedHandle, static_cast<int>(PickedCentre));
        QCOMPARE(Scene().m_nSelected, 0);
        // (2 dx, -2 dy, 0) per move.
        const D3DXVECTOR3 moved = Difference(Scene().GetSelectedCharacterPosition(0), before);
        QCOMPARE(moved.x, 14.0f);
        QCOMPARE(moved.y, -8.0f);
        QCOMPARE(moved.z, 0.0f);
        QVERIFY(Document().IsModified());

        // With the x axis off, the same drag leaves x alone.
        Scene().m_bAxisX = FALSE;
        const D3DXVECTOR3 again = Scene().GetSelectedCharacterPosition(0);
        Drag(*CentreHandle(), {QPoint(10, 4)});
        const D3DXVECTOR3 locked = Difference(Scene().GetSelectedCharacterPosition(0), again);
        QCOMPARE(locked.x, 0.0f);
        QCOMPARE(locked.y, -8.0f);
        Scene().m_bAxisX = TRUE;
    }

    void TheWheelZoomsTheCamera() {
        const D3DXVECTOR3 before = Scene().GetCameraScale(0);
        QWheelEvent notch(QPointF(50, 50), View().mapToGlobal(QPointF(50, 50)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&View(), &notch);
        QWheelEvent back(QPointF(50, 50), View().mapToGlobal(QPointF(50, 50)), QPoint(),
                         QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        const D3DXVECTOR3 after = Scene().GetCameraScale(0);
        QCOMPARE(after.x - before.x, 0.24f);
        QCOMPARE(after.z - before.z, 0.24f);
        QApplication::sendEvent(&View(), &back);
        QCOMPARE(Scene().GetCameraScale(0).y - after.y, -0.48f);
    }

    void TheMovieCameraMovesOnlyWithoutASelectedCharacter() {
        ClickCell(3, 0); // the camera row at frame 0: the movie camera, no character
        ClickCell(0, 0); // the character's row
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraTrack));
        const D3DXVECTOR3 camera = Scene().GetCameraPosition(0);
        // Empty space: the pick misses, and the character stays selected all the same.
        Drag(QPoint(8, 8), {QPoint(20, 0), QPoint(0, 20)});
        QCOMPARE(Scene().m_nSelected, 0);
        QCOMPARE(Scene().GetCameraPosition(0).x, camera.x);
        QCOMPARE(Scene().GetCameraPosition(0).z, camera.z);

        ClickCell(3, 0);
        Drag(QPoint(8, 8), {QPoint(20, 0)});
        const D3DXVECTOR3 moved = Scene().GetCameraPosition(0);
        QCOMPARE(moved.y, camera.y); // in its x-z plane
        QVERIFY(moved.x != camera.x);
    }
};

SORVENDAL_APP_TEST_MAIN(SceneViewTest)
#include "SceneViewTest.moc"
