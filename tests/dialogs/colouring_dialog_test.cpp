// View > Colouring's dialog driven as a user drives it, every change watched as the picture
// would get it.

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "colour/colour_methods.h"
#include "colour/gradient.h"
#include "colour/gradient_files.h"
#include "dialogs/colouring_dialog.h"
#include "dialogs/gradient_strip.h"
#include "support/test_workspace.h"

namespace zolt {

namespace {

// The colours of a 256-colour palette as the classic gradient shows them.
std::vector<Pixel> Palette256() {
    std::vector<Pixel> palette;
    for (int k = 0; k < 256; ++k)
        palette.push_back(MakePixel(static_cast<std::uint8_t>(k), 0, 255));
    return palette;
}

Colouring WithPreset(const char* name, ColourMethod method) {
    Colouring colouring;
    colouring.method = method;
    for (const Gradient& preset : GradientPresets()) {
        if (preset.name == name)
            colouring.gradient = preset;
    }
    return colouring;
}

// Answers the colour dialog that the next action opens with `colour`.
void AnswerColour(const QColor& colour) {
    QTimer::singleShot(0, [colour] {
        if (auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            dialog->setCurrentColor(colour);
            dialog->accept();
        }
    });
}

const char kGoodGgr[] =
    "GIMP Gradient\nName: Sunset\n2\n"
    "0 0.25 0.5 1 0 0 1 1 1 0 1 0 0\n"
    "0.5 0.75 1 1 1 0 1 0 0 1 1 0 0\n";
const char kBadGgr[] =
    "GIMP Gradient\nName: Broken\n2\n"
    "0 0.25 0.5 1 0 0 1 1 1 0 1 0 0\n"
    "0.5 0.75 1 1 nan 0 1 0 0 1 1 0 0\n";

}  // namespace

class ColouringDialogTest : public QObject {
    Q_OBJECT

    test::TempDir dir_;
    HeadlessSurface ui_;
    FakeDialogs files_;
    std::string directory_;
    std::vector<Colouring> changes_;
    std::unique_ptr<ColouringDialog> dialog_;

    ColouringDialog& Open(const Colouring& colouring) {
        changes_.clear();
        dialog_ = std::make_unique<ColouringDialog>(colouring, Palette256(), QStringLiteral("note"),
                                                    GradientFileAccess{files_, ui_, directory_});
        dialog_->OnChange([this](const Colouring& shown) { changes_.push_back(shown); });
        dialog_->show();
        if (!QTest::qWaitForWindowExposed(dialog_.get()))
            qWarning("The dialog did not show.");
        return *dialog_;
    }
    template <class Widget>
    Widget* Find(const char* name) {
        return dialog_->findChild<Widget*>(QString::fromLatin1(name));
    }
    GradientStrip& Strip() { return *dialog_->Strip(); }
    void Press(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
    const std::vector<GradientStop>& Stops() const { return changes_.back().gradient.stops; }

  private slots:
    void cleanup() { dialog_.reset(); }

    void eachMethodOffersItsSettings_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("thickness");
        QTest::addColumn<bool>("relief");
        QTest::newRow("bands") << "Bands" << false << false;
        QTest::newRow("smooth") << "Smooth" << false << false;
        QTest::newRow("distance") << "Distance" << true << false;
        QTest::newRow("relief") << "Relief" << false << true;
    }
    void eachMethodOffersItsSettings() {
        QFETCH(QString, method);
        QFETCH(bool, thickness);
        QFETCH(bool, relief);
        Open(WithPreset("Ember", method == "Bands" ? ColourMethod::Smooth : ColourMethod::Bands));
        auto* methods = Find<QComboBox>("method");
        methods->setFocus();
        methods->setCurrentIndex(methods->findText(method));
        QCOMPARE(changes_.size(), std::size_t{1});
        QCOMPARE(QString::fromLatin1(MethodName(changes_.back().method).data()), method.toLower());
        QCOMPARE(Find<QDoubleSpinBox>("thickness")->isEnabled(), thickness);
        QCOMPARE(Find<QDoubleSpinBox>("strength")->isEnabled(), relief);
        QCOMPARE(Find<QSpinBox>("angle")->isEnabled(), relief);
        // A setting steps with the keys and shows at once.
        QWidget* setting = thickness ? static_cast<QWidget*>(Find<QDoubleSpinBox>("thickness"))
                                     : Find<QDoubleSpinBox>("repeat");
        QTest::keyClick(setting, Qt::Key_Up);
        QCOMPARE(changes_.size(), std::size_t{2});
        QVERIFY(thickness ? changes_.back().thickness == 1.25 : changes_.back().repeat == 257.0);
        // The interior colour comes from the colour dialog.
        AnswerColour(QColor(10, 20, 30));
        Press("interior");
        QCOMPARE(changes_.back().interior, (Rgb{10, 20, 30}));
        QCOMPARE(Find<QPushButton>("interior")->text(), QString("#0a141e"));
    }

    void stopsAreSelectedDraggedAddedColouredAndDeleted() {
        Open(WithPreset("Ember", ColourMethod::Smooth));
        QCOMPARE(Strip().Markers(), 4);
        QVERIFY(!Find<QPushButton>("delete")->isEnabled());

        // Click the second stop (0.3), drag it past the third (0.55) to 0.7.
        const QPoint from = Strip().MarkerPoint(1) + QPoint(0, 4);
        QPoint to = from;
        to.setX(Strip().MarkerPoint(0).x() +
                static_cast<int>(0.7 * (Strip().MarkerPoint(3).x() - Strip().MarkerPoint(0).x()) /
                                 0.8));
        QTest::mousePress(&Strip(), Qt::LeftButton, {}, from);
        QCOMPARE(Strip().Selected(), 1);
        QCOMPARE(Find<QDoubleSpinBox>("position")->value(), 0.3);
        QTest::mouseMove(&Strip(), (from + to) / 2);
        QTest::mouseMove(&Strip(), to);
        QTest::mouseRelease(&Strip(), Qt::LeftButton, {}, to);
        QCOMPARE(Stops().size(), std::size_t{4});
        QCOMPARE(Stops()[2].colour, (Rgb{0x8c, 0x1a, 0x02}));
        QVERIFY(std::abs(Stops()[2].position - 0.7) < 0.01);
        QCOMPARE(Strip().Selected(), 2);
        QCOMPARE(Find<QComboBox>("preset")->currentText(), QString("Ember (edited)"));
        // The keys do as much: Shift+Left moves the selected stop by a hundredth.
        const double dragged = Stops()[2].position;
        QTest::keyClick(&Strip(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(Stops()[2].position, dragged - 0.01);
        QCOMPARE(Find<QDoubleSpinBox>("position")->value(),
                 std::round((dragged - 0.01) * 1000) / 1000);

        // Double-click between the first two stops adds one in the colour the gradient has there.
        const Gradient before = changes_.back().gradient;
        const QPoint between = (Strip().MarkerPoint(0) + Strip().MarkerPoint(1)) / 2;
        QTest::mouseDClick(&Strip(), Qt::LeftButton, {}, between);
        QCOMPARE(Stops().size(), std::size_t{5});
        QCOMPARE(Strip().Selected(), 1);
        const Pixel there = PixelOf(GradientColour(before, {}, Stops()[1].position));
        QCOMPARE(MakePixel(Stops()[1].colour.red, Stops()[1].colour.green, Stops()[1].colour.blue),
                 there);

        // Its colour from the colour dialog, then Delete removes it again.
        AnswerColour(QColor(0, 200, 0));
        Press("colour");
        QCOMPARE(Stops()[1].colour, (Rgb{0, 200, 0}));
        QTest::keyClick(&Strip(), Qt::Key_Delete);
        QCOMPARE(Stops().size(), std::size_t{4});

        // A gradient keeps two stops: the third deletion is refused, said, and changes nothing.
        Press("delete");
        Press("delete");
        const std::size_t shown = changes_.size();
        Press("delete");
        QCOMPARE(changes_.size(), shown);
        QCOMPARE(Stops().size(), std::size_t{2});
        QCOMPARE(ui_.Messages().back(), std::string("A gradient keeps at least two stops."));

        // A preset chosen again replaces the edits.
        auto* presets = Find<QComboBox>("preset");
        presets->setFocus();
        QTest::keyClick(presets, Qt::Key_Home);
        QCOMPARE(presets->currentText(), QString("Classic"));
        QCOMPARE(changes_.back().gradient, GradientPresets().front());
    }

    void thePaletteShowsEntryForEntryWithoutStops() {
        Open(Colouring{});
        QCOMPARE(Strip().Markers(), 0);  // 256 entries are too close to pick
        QVERIFY(!Find<QPushButton>("add")->isEnabled());
        QVERIFY(!Find<QDoubleSpinBox>("repeat")->isEnabled());  // bands count entry for entry
        auto* methods = Find<QComboBox>("method");
        methods->setCurrentIndex(methods->findText("Smooth"));
        QVERIFY(Find<QDoubleSpinBox>("repeat")->isEnabled());
        QVERIFY(changes_.back().gradient.kind == GradientKind::Palette);
    }

    void gradientFilesComeInAndGoOut() {
        Open(WithPreset("Ember", ColourMethod::Smooth));
        const std::string folder = dir_.Sub("gradients");
        test::WriteBytes(folder + "/bad.ggr", kBadGgr);
        test::WriteBytes(folder + "/good.ggr", kGoodGgr);

        // A malformed file is named with its line, and changes nothing.
        files_.answer = folder + "/bad.ggr";
        Press("import");
        QVERIFY(changes_.empty());
        QVERIFY(!ui_.Messages().empty());
        const QString message = QString::fromStdString(ui_.Messages().back());
        QVERIFY2(message.startsWith("Failed to import gradient: bad.ggr, line 5:"),
                 qPrintable(message));
        QCOMPARE(directory_, folder);

        files_.answer = folder + "/good.ggr";
        Press("import");
        QCOMPARE(changes_.size(), std::size_t{1});
        QVERIFY(changes_.back().gradient.kind == GradientKind::Segments);
        QCOMPARE(Find<QComboBox>("preset")->currentText(), QString("Sunset"));
        QCOMPARE(Strip().Markers(), 3);

        // Exported as it is, it reads back equal.
        files_.answer = folder + "/out.ggr";
        Press("export");
        QVERIFY(files_.kinds.back() == SavedKind::Gradient);
        QCOMPARE(files_.initialNames.back(), std::string("Sunset"));
        const GradientRead back = LoadGradientFile(folder + "/out.ggr");
        QVERIFY2(back.gradient.has_value(), back.error.c_str());
        QVERIFY(*back.gradient == changes_.back().gradient);
    }
};

}  // namespace zolt

QTEST_MAIN(zolt::ColouringDialogTest)
#include "colouring_dialog_test.moc"
