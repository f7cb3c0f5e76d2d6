// The view with the mouse: the drag selection, its marker and the zoom, in device pixels.
// Run at scale 1 and, as fractal_view_hidpi_test, at scale 2.

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <cmath>

#include "app_fixture.h"
#include "document/navigation_history.h"
#include "shell/command_actions.h"
#include "surface/command_ids.h"

using namespace zolt;
using namespace zolt::testing;

class FractalViewTest : public AppTest {
    Q_OBJECT

  private:
    FractalView* View() { return app_->GetView(); }
    int Ratio() { return static_cast<int>(std::lround(View()->devicePixelRatio())); }
    // The device pixel under a logical position.
    QPoint Device(QPoint logical) { return logical * Ratio(); }
    ViewSize Client() { return app_->Surface().ViewClientSize(); }
    double Ratio(ViewSize client) { return static_cast<double>(client.height) / client.width; }

    void Press(QPoint at) { QTest::mousePress(View(), Qt::LeftButton, {}, at); }
    void Move(QPoint to) { QTest::mouseMove(View(), to); }
    void Release(QPoint at) { QTest::mouseRelease(View(), Qt::LeftButton, {}, at); }
    // The wheel turned by `notches` at a logical position: away from the user is positive.
    void Wheel(QPoint at, int notches) {
        QWheelEvent event(QPointF(at), View()->mapToGlobal(QPointF(at)), QPoint(),
                          QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(View(), &event);
    }
    Workspace& Work() { return *app_->GetWorkspace(); }

    // A definition with an image of the present view, generated to the end.
    void Generated() {
        QVERIFY(ReadyToGenerate(*app_, Home(*app_)));
        app_->RunCommand(kCmdGenerate);
        QTRY_COMPARE(PaneText(*app_, 1), QString("Finished"));
    }

    // Placement of the image in the view now.
    struct Placement {
        int ox, oy, iw, ih;
    };
    Placement Placed() {
        ImageInfo image;
        app_->GetWorkspace()->generator.GetImage(image);
        const ViewSize client = Client();
        return {(client.width - image.width) / 2, (client.height - image.height) / 2, image.width,
                image.height};
    }

  private slots:
    void init() {
        AppTest::init();
        app_->GetWorkspace()->defaults.values.AutoGenerate = false;
    }

    void worksInDevicePixels() {
        const ViewSize client = Client();
        QCOMPARE(client.width, View()->width() * Ratio());
        QCOMPARE(client.height, View()->height() * Ratio());
        QCOMPARE(app_->Surface().ViewColourCount(), 256);
        QCOMPARE(View()->DevicePosition(QPointF(10.5, 3.0)),
                 QPoint(static_cast<int>(std::floor(10.5 * Ratio())), 3 * Ratio()));

        // Dark grey before there is anything to show.
        const QImage empty = View()->grab().toImage();
        QCOMPARE(empty.size(), QSize(client.width, client.height));
        QCOMPARE(QColor(empty.pixel(client.width / 2, client.height / 2)), QColor(64, 64, 64));

        Generated();
        ImageInfo image;
        QVERIFY(app_->GetWorkspace()->generator.GetImage(image));
        QCOMPARE(image.width, client.width);
        QCOMPARE(image.height, client.height);
        // The picture is shown pixel for pixel, not scaled.
        const ImageBuffer pixels = app_->GetWorkspace()->generator.CopyImage();
        const QImage shown = View()->grab().toImage();
        for (QPoint p : {QPoint(0, 0), QPoint(client.width - 1, client.height - 1),
                         QPoint(client.width / 3, client.height / 2)})
            QCOMPARE(shown.pixel(p) | 0xff000000u, pixels.At(p.x(), p.y()));
    }

    void imageSmallerThanTheViewIsCentredOnGrey() {
        Generated();
        app_->RunCommand(kCmdToolbar);  // the view grows taller than the image
        QTRY_VERIFY(Client().height > Placed().ih);
        const Placement at = Placed();
        QVERIFY(at.oy > 0);
        const QImage shown = View()->grab().toImage();
        QCOMPARE(QColor(shown.pixel(0, 0)), QColor(64, 64, 64));
        QCOMPARE(shown.pixel(at.ox, at.oy) | 0xff000000u,
                 app_->GetWorkspace()->generator.CopyImage().At(0, 0));
    }

    void clickWithoutMovementWithoutAnImage() {
        QVERIFY(DefineFractal(*app_, Home(*app_)));
        const GenerationSnapshot before = NumbersOf(app_->GetWorkspace()->current.Definition());
        const ViewSize client = Client();
        const QPoint click(100, 80);
        Press(click);
        Release(click);
        // Ten device pixels wide, hanging from the click; mapped over the whole view.
        const QPoint d = Device(click);
        const double r = Ratio(client);
        QCOMPARE(View()->ShownMarker(), (SelectionBox{d.x(), d.y(), 10, static_cast<int>(10 * r)}));
        const FractalDef& def = app_->GetWorkspace()->current.Definition();
        const double span = before.Pfinish - before.Pstart;
        QCOMPARE(def.Pstart, before.Pstart + (double(d.x()) / client.width) * span);
        QCOMPARE(def.Pfinish, before.Pstart + (double(d.x() + 10) / client.width) * span);
        QCOMPARE(def.Qstart, before.Qstart + (double(d.y()) / client.height) *
                                                 (before.Qfinish - before.Qstart));
        QCOMPARE(def.Qfinish,
                 def.Qstart + (def.Pfinish - def.Pstart) / client.width * client.height);
        QCOMPARE(def.Iterations, before.Iterations);
        // The zoom readies the generator without starting it, and keeps the title.
        QCOMPARE(PaneText(*app_, 1), QString("Ready"));
        QVERIFY(app_->Surface().IsCommandEnabled(kCmdGenerate));
        QVERIFY(!app_->Surface().IsCommandEnabled(kCmdContinue));
        QVERIFY(!app_->GetWorkspace()->generator.IsRunning());
        QCOMPARE(app_->GetMainWindow()->windowTitle(), QString("Zolt - Test"));
        QCOMPARE(app_->GetWorkspace()->history.Count(), 0);
    }

    void dragsInEveryDirectionStayOnTheImage() {
        Generated();
        app_->RunCommand(kCmdToolbar);
        QTRY_VERIFY(Client().height > Placed().ih);
        const Placement at = Placed();
        const ViewSize client = Client();
        const double r = Ratio(client);
        const int k = Ratio();
        const QPoint origin(at.ox / k + 1, at.oy / k + 1);  // just inside the image

        auto drag = [&](QPoint from, QPoint to) {
            Press(from);
            Move(to);
            const auto marker = View()->ShownMarker();
            View()->CancelSelection();
            Release(to);
            return marker.value_or(SelectionBox{});
        };
        auto height = [&](int width) { return static_cast<int>(width * r); };

        // Down and right: the press is the corner.
        QPoint a = origin + QPoint(40, 30), b = a + QPoint(80, 60);
        QCOMPARE(drag(a, b), (SelectionBox{Device(a).x(), Device(a).y(), 80 * k, height(80 * k)}));
        // Up: the pointer's row is the top.
        a = origin + QPoint(100, 100), b = a + QPoint(60, -40);
        QCOMPARE(drag(a, b), (SelectionBox{Device(a).x(), Device(b).y(), 60 * k, height(60 * k)}));
        // Left: from the pointer to the press column.
        a = origin + QPoint(150, 20), b = a + QPoint(-70, 30);
        QCOMPARE(drag(a, b), (SelectionBox{Device(b).x(), Device(a).y(), 70 * k, height(70 * k)}));
        // Past the image's right edge the width stops there.
        a = QPoint((at.ox + at.iw) / k - 30, origin.y() + 5);
        const SelectionBox right = drag(a, QPoint(View()->width() + 40, a.y() + 10));
        QCOMPARE(right.left + right.width, at.ox + at.iw);
    }

    void aClickLeftOfANarrowerImageStartsAtItsLeftEdge() {
        QWidget* window = app_->GetMainWindow();
        const QSize full = window->size();
        window->resize(full.width() - 100, full.height());
        QTRY_COMPARE(window->width(), full.width() - 100);
        Generated();
        window->resize(full);
        QTRY_VERIFY(Placed().ox > 0);
        const Placement at = Placed();
        const QPoint a(0, at.oy / Ratio() + 10);
        Press(a);
        Release(a);
        QCOMPARE(View()->ShownMarker()->left, at.ox);
        QCOMPARE(View()->ShownMarker()->width, 10);
    }

    void pressBelowTheImageZoomsBelowIt() {
        Generated();
        app_->RunCommand(kCmdToolbar);
        QTRY_VERIFY(Client().height > Placed().ih + 2 * Ratio());
        const Placement at = Placed();
        const int k = Ratio();
        const QPoint below(at.ox / k + 20, (at.oy + at.ih) / k + 1);
        GenerationSnapshot shot;
        QVERIFY(app_->GetWorkspace()->generator.GetSnapshot(shot));
        Press(below);
        Move(below + QPoint(5, 3));
        Release(below + QPoint(5, 3));
        const SelectionBox box = View()->ShownMarker().value();
        QCOMPARE(box.width, 10);
        QVERIFY(box.top >= at.oy + at.ih);
        // The new region starts below what the image shows.
        QVERIFY(app_->GetWorkspace()->current.Definition().Qstart > shot.Qfinish);
    }

    void zoomMapsOntoTheImagesSnapshot() {
        Generated();
        GenerationSnapshot shot;
        QVERIFY(app_->GetWorkspace()->generator.GetSnapshot(shot));
        // The view changes shape after the image was made: the zoom still maps the image.
        app_->RunCommand(kCmdToolbar);
        QTRY_VERIFY(Client().height > Placed().ih);
        const Placement at = Placed();
        const ViewSize client = Client();
        const int k = Ratio();
        const QPoint a(at.ox / k + 30, at.oy / k + 20), b = a + QPoint(90, 10);
        Press(a);
        Move(b);
        Release(b);
        const SelectionBox box = View()->ShownMarker().value();
        const double f = box.left - at.ox, g = box.top - at.oy;
        const FractalDef& def = app_->GetWorkspace()->current.Definition();
        const double dp = shot.Pfinish - shot.Pstart, dq = shot.Qfinish - shot.Qstart;
        QCOMPARE(def.Pstart, shot.Pstart + f / at.iw * dp);
        QCOMPARE(def.Pfinish, shot.Pstart + (f + box.width) / at.iw * dp);
        QCOMPARE(def.Qstart, shot.Qstart + g / at.ih * dq);
        QCOMPARE(def.Qfinish,
                 def.Qstart + (def.Pfinish - def.Pstart) / client.width * client.height);
        QCOMPARE(def.Iterations, shot.Iterations);
        QCOMPARE(def.Escape, shot.Escape);
        // The image and its snapshot stay; Generate renders the new region.
        QVERIFY(app_->GetWorkspace()->generator.GetSnapshot(shot));
        QCOMPARE(shot.Pstart, Home(*app_).Pstart);
    }

    void markerIsDrawnOverTheImageAndOnlyWhenItChanges() {
        Generated();
        const ImageBuffer image = app_->GetWorkspace()->generator.CopyImage();
        PaintCounter counter;
        View()->installEventFilter(&counter);
        const QPoint a(40, 30);
        Press(a);
        Move(a + QPoint(60, 20));
        QTRY_VERIFY(counter.paints > 0);
        const SelectionBox box = View()->ShownMarker().value();
        const int paints = counter.paints;
        // Straight down from the press: the same rectangle, nothing drawn again.
        Move(a + QPoint(60, 25));
        Move(a + QPoint(60, 40));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, paints);
        QCOMPARE(View()->ShownMarker(), box);
        // A wider one is drawn.
        Move(a + QPoint(70, 40));
        QTRY_VERIFY(counter.paints > paints);

        const QImage shown = View()->grab().toImage();
        const SelectionBox now = View()->ShownMarker().value();
        QCOMPARE(QColor(shown.pixel(now.left, now.top)), QColor(Qt::white));
        QCOMPARE(QColor(shown.pixel(now.left + now.width - 1, now.top + now.height - 1)),
                 QColor(Qt::white));
        QCOMPARE(QColor(shown.pixel(now.left + now.width / 2, now.top + now.height / 2)),
                 QColor(Qt::black));
        // Never into the image itself.
        QCOMPARE(app_->GetWorkspace()->generator.CopyImage(), image);
        Release(a + QPoint(70, 40));
        View()->removeEventFilter(&counter);
    }

    void releaseOutsideTheViewEndsTheSelection() {
        QVERIFY(DefineFractal(*app_, Home(*app_)));
        const double before = app_->GetWorkspace()->current.Definition().Pfinish;
        const QPoint outside(View()->width() + 100, -40);
        Press(QPoint(50, 5));
        Move(outside);
        Release(outside);
        // Dragged past the right edge, the region runs to the view's right side.
        QVERIFY(View()->ShownMarker().has_value());
        QCOMPARE(View()->ShownMarker()->left, 50 * Ratio());
        QCOMPARE(View()->ShownMarker()->top, 0);
        QCOMPARE(app_->GetWorkspace()->current.Definition().Pfinish, before);
        QVERIFY(app_->GetWorkspace()->current.Definition().Pstart > Home(*app_).Pstart);
        // Moves with the button up draw nothing.
        Move(QPoint(60, 60));
        QCOMPARE(View()->ShownMarker()->left, 50 * Ratio());
    }

    void generationStartedDuringADragCancelsIt() {
        QVERIFY(ReadyToGenerate(*app_, Home(*app_)));
        const GenerationSnapshot before = NumbersOf(app_->GetWorkspace()->current.Definition());
        Press(QPoint(40, 40));
        Move(QPoint(120, 80));
        QVERIFY(View()->ShownMarker().has_value());

        QTest::keyClick(app_->GetMainWindow(), Qt::Key_G, Qt::AltModifier);
        QVERIFY(app_->GetWorkspace()->generator.IsRunning() ||
                PaneText(*app_, 1).startsWith("Generating"));
        QVERIFY(!View()->ShownMarker().has_value());
        Move(QPoint(160, 90));
        Release(QPoint(160, 90));
        QVERIFY(!View()->ShownMarker().has_value());
        // The release zoomed nothing and stopped nothing.
        QCOMPARE(NumbersOf(app_->GetWorkspace()->current.Definition()).Pstart, before.Pstart);
        QCOMPARE(NumbersOf(app_->GetWorkspace()->current.Definition()).Pfinish, before.Pfinish);
        QCOMPARE(app_->GetWorkspace()->history.Count(), 1);
        QTRY_COMPARE(PaneText(*app_, 1), QString("Finished"));
    }

    void theWheelZoomsAboutThePointerAndGeneratesAtOnce() {
        Wheel(QPoint(50, 50), 1);  // no fractal yet: nothing
        QCOMPARE(Work().history.Count(), 0);
        QCOMPARE(app_->GetMainWindow()->windowTitle(), QString("Zolt"));

        Generated();
        const GenerationSnapshot before = NumbersOf(Work().current.Definition());
        const QPoint at(60, 40);
        const QPoint pixel = Device(at);
        const auto pointAt = [&](const GenerationSnapshot& s) {
            const double dx = (s.Pfinish - s.Pstart) / Client().width;
            return std::pair{pixel.x() * dx + s.Pstart, pixel.y() * dx + s.Qstart};
        };
        Wheel(at, 1);
        QCOMPARE(Work().history.Count(), 2);  // recorded and generating at once
        const GenerationSnapshot in = NumbersOf(Work().current.Definition());
        QCOMPARE(in.Iterations, before.Iterations + 25);  // raised as Generate raises it
        QCOMPARE(in.Pfinish - in.Pstart, (before.Pfinish - before.Pstart) / 2);
        const auto [r0, i0] = pointAt(before);
        const auto [r1, i1] = pointAt(in);
        QVERIFY(std::abs(r1 - r0) < 1e-12 && std::abs(i1 - i0) < 1e-12);

        // Quick notches during the generation start it again for the latest view.
        Wheel(at, -1);
        Wheel(at, -1);
        QTRY_COMPARE(PaneText(*app_, 1), QString("Finished"));
        GenerationSnapshot shown;
        QVERIFY(Work().generator.GetSnapshot(shown));
        QCOMPARE(shown, NumbersOf(Work().current.Definition()));
        QCOMPARE(shown.Pfinish - shown.Pstart, (before.Pfinish - before.Pstart) * 2);
        QCOMPARE(Work().history.Count(), 4);

        // While a dialog holds the program, the wheel does nothing.
        QTimer::singleShot(0, View(), [&] {
            Wheel(at, 1);
            QApplication::activeModalWidget()->close();
        });
        app_->RunCommand(kCmdAbout);
        QCOMPARE(Work().history.Count(), 4);
    }

    void theWheelGoesPastDoublesIntoTheDeepAndBackAgain() {
        // A whole view, deep or at twice the pixel density, takes seconds under a sanitizer.
        constexpr int kDeepWait = 120000;
        // 1e-11 across: doubles still resolve the pixels; five notches in, they do not.
        // Far too few iterations for it: the view is black, and says so.
        const QString starved("Finished - more iterations may show detail");
        QVERIFY(ReadyToGenerate(*app_, {-0.74364388704, -0.74364388703, 0.1318259042, 0, 100, 4}));
        app_->RunCommand(kCmdGenerate);
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app_, 1), starved, kDeepWait);
        const QPoint centre(Client().width / 2, Client().height / 2);
        Wheel(centre, 5);
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app_, 1), QString("Finished - deep zoom"), kDeepWait);
        const DeepCoordinates deep = Work().current.Definition().Deep;
        QVERIFY(!deep.empty());

        // Back and Forward, each generated again (this fixture does not generate by itself).
        app_->RunCommand(kCmdBack);
        app_->RunCommand(kCmdGenerate);
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app_, 1), starved, kDeepWait);
        QVERIFY(Work().current.Definition().Deep.empty());
        app_->RunCommand(kCmdForward);
        app_->RunCommand(kCmdGenerate);
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app_, 1), QString("Finished - deep zoom"), kDeepWait);
        QCOMPARE(Work().current.Definition().Deep, deep);
        QCOMPARE(Work().history.Count(), 2);
    }

    void theEmptyViewSaysHowToBegin() {
        // Text across the middle of an otherwise plain view.
        const auto hasText = [this] {
            const QImage shown = View()->grab().toImage();
            for (int y = shown.height() / 3; y < shown.height() * 2 / 3; ++y)
                for (int x = 1; x < shown.width(); ++x)
                    if (shown.pixel(x, y) != shown.pixel(0, y))
                        return true;
            return false;
        };
        QVERIFY(hasText());
        Generated();
        app_->GetWorkspace()->current.SetNumbers({5, 6, 5, 6, 1, 200});  // all outside: one colour
        app_->RunCommand(kCmdGenerate);
        QTRY_VERIFY(PaneText(*app_, 1).startsWith("Finished"));
        QVERIFY(!hasText());
    }

    void noSelectionWhileAGenerationRuns() {
        QVERIFY(ReadyToGenerate(*app_, {-0.3, -0.2, -0.1, 0.0, 100000, 4.0}));
        app_->RunCommand(kCmdGenerate);
        QVERIFY(app_->GetWorkspace()->generator.IsRunning());
        const GenerationSnapshot before = NumbersOf(app_->GetWorkspace()->current.Definition());
        Press(QPoint(40, 40));
        Move(QPoint(120, 80));
        Release(QPoint(120, 80));
        QVERIFY(!View()->ShownMarker().has_value());
        QCOMPARE(NumbersOf(app_->GetWorkspace()->current.Definition()), before);
        app_->RunCommand(kCmdStop);
        QTRY_COMPARE(PaneText(*app_, 1), QString("Stopped"));
    }
};

QTEST_MAIN(FractalViewTest)
#include "fractal_view_test.moc"
