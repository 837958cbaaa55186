// The 3D view in the running main window, driven with the mouse: dragging a character by its
// centre handle, zooming with the wheel, and the movie camera, which the mouse moves only
// while no character is selected.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "support/AppSession.h"
#include "timeline/CTimeLineView.h"

#include <QWheelEvent>

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

void Drag(QPoint from, const std::vector<QPoint>& steps) {
    AppSession::Drag(View(), from, steps);
}

D3DXVECTOR3 Difference(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

} // namespace

class SceneViewTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Start()); }
    void init() {
        NewDocument();
        Import(QStringLiteral("MQA/SharpHair.mqa"));
    }
    void cleanupTestCase() { Stop(); }

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
