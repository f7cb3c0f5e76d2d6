#include "dialogs/movie_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <array>

#include "generation/picture.h"
#include "movie/ffmpeg_video.h"
#include "movie/movie_progress.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

constexpr std::array<ViewSize, 3> kSizes = {{{1280, 720}, {1920, 1080}, {3840, 2160}}};
constexpr std::array<int, 5> kFrameRates = {24, 25, 30, 50, 60};

// The dialog's widgets, named so that tests and accessibility tools find them.
struct Fields {
    QComboBox* size;
    QSpinBox* width;
    QSpinBox* height;
    QComboBox* fps;
    QDoubleSpinBox* speed;
    QLineEdit* start;
    QDoubleSpinBox* hold;
    QComboBox* samples;
    QComboBox* kind;
    QLineEdit* path;
    QCheckBox* data;
    QLabel* summary;
    QPushButton* ok;
};

template <class Widget>
Widget* Named(QDialog& dialog, const char* name) {
    auto* widget = new Widget(&dialog);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox* SideBox(QDialog& dialog, const char* name, int value) {
    auto* box = Named<QSpinBox>(dialog, name);
    box->setRange(1, kMaxPictureSide);
    box->setSuffix(QStringLiteral(" pixels"));
    box->setValue(value);
    return box;
}

QDoubleSpinBox* SecondsBox(QDialog& dialog, const char* name, double low, double value,
                           const QString& suffix) {
    auto* box = Named<QDoubleSpinBox>(dialog, name);
    box->setRange(low, 60.0);
    box->setDecimals(2);
    box->setSingleStep(0.25);
    box->setSuffix(suffix);
    box->setValue(value);
    return box;
}

// What the fields say.
MovieChoice Read(const Fields& f, const MovieChoice& initial) {
    MovieChoice choice = initial;
    MovieSettings& s = choice.settings;
    s.width = f.width->value();
    s.height = f.height->value();
    s.fps = kFrameRates[static_cast<std::size_t>(std::max(0, f.fps->currentIndex()))];
    s.secondsPerDoubling = f.speed->value();
    s.startWidth = ParseReal(f.start->text().toStdString()).value_or(0.0);
    s.holdSeconds = f.hold->value();
    s.supersample = f.samples->currentIndex() + 1;
    choice.output.kind =
        f.kind->currentIndex() == 0 ? MovieOutput::Kind::Video : MovieOutput::Kind::Frames;
    choice.output.path = f.path->text().toStdString();
    choice.output.keyframeData = f.data->isChecked();
    return choice;
}

// Asks for the file or the folder the movie goes to.
void Browse(QDialog& dialog, const Fields& f) {
    const bool video = f.kind->currentIndex() == 0;
    const QString chosen =
        video ? QFileDialog::getSaveFileName(&dialog, QStringLiteral("Export Zoom Movie"),
                                             f.path->text(), QStringLiteral("MP4 videos (*.mp4)"))
              : QFileDialog::getExistingDirectory(&dialog, QStringLiteral("Export Zoom Movie"),
                                                  f.path->text());
    if (!chosen.isEmpty())
        f.path->setText(chosen);
}

// An MP4 video needs ffmpeg: without it the movie may still be made as PNG frames. False when
// the user would rather not.
bool VideoPossible(QDialog& dialog, MovieChoice& choice) {
    if (choice.output.kind != MovieOutput::Kind::Video || FindFfmpeg())
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Export Zoom Movie"),
                    QStringLiteral("ffmpeg is needed to make an MP4 video. Install ffmpeg, or "
                                   "make the movie as numbered PNG frames in a folder."),
                    QMessageBox::Cancel, &dialog);
    box.setObjectName(QStringLiteral("NoFfmpeg"));
    QPushButton* frames =
        box.addButton(QStringLiteral("Make &PNG Frames"), QMessageBox::AcceptRole);
    box.setDefaultButton(frames);
    box.exec();
    if (box.clickedButton() != frames)
        return false;
    choice.output.kind = MovieOutput::Kind::Frames;
    choice.output.path.replace_extension();
    return true;
}

// The movie the dialog's answers describe: its length and frames, or why there is none.
std::string MovieSummary(const FractalDef& end, const MovieChoice& choice, bool& valid) {
    valid = false;
    std::string reason;
    const auto plan = PlanMovie(end, choice.settings, reason);
    if (!plan)
        return "No movie: " + reason + ".";
    if (const std::string why =
            OutputSizeRefusal(choice.output.kind, choice.settings.width, choice.settings.height);
        !why.empty())
        return "No movie: " + why + ".";
    if (choice.output.path.empty())
        return "No movie: where should it go?";
    valid = true;
    return DurationText(plan->Seconds()) + " long: " + std::to_string(plan->Frames()) +
           " frames from " + std::to_string(plan->Keyframes()) + " keyframes.";
}

}  // namespace

std::optional<MovieChoice> AskMovie(QWidget* parent, const FractalDef& end,
                                    const MovieChoice& initial) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("MovieDlg"));
    dialog.setWindowTitle(QStringLiteral("Export Zoom Movie"));
    const MovieSettings& s = initial.settings;
    Fields f{};
    f.size = Named<QComboBox>(dialog, "size");
    for (const ViewSize& size : kSizes)
        f.size->addItem(QStringLiteral("%1 × %2").arg(size.width).arg(size.height));
    f.size->addItem(QStringLiteral("Other size"));
    f.width = SideBox(dialog, "width", s.width);
    f.height = SideBox(dialog, "height", s.height);
    f.fps = Named<QComboBox>(dialog, "fps");
    for (int rate : kFrameRates)
        f.fps->addItem(QStringLiteral("%1 frames a second").arg(rate));
    const auto rate = std::find(kFrameRates.begin(), kFrameRates.end(), s.fps);
    f.fps->setCurrentIndex(rate != kFrameRates.end() ? static_cast<int>(rate - kFrameRates.begin())
                                                     : 2);
    f.speed =
        SecondsBox(dialog, "speed", 0.05, s.secondsPerDoubling, QStringLiteral(" s a doubling"));
    f.start = Named<QLineEdit>(dialog, "start");
    f.start->setText(QString::number(s.startWidth, 'g', 17));
    f.start->setToolTip(
        QStringLiteral("The first frame's width; 3.75, the home view's, shows the whole set."));
    f.hold = SecondsBox(dialog, "hold", 0.0, s.holdSeconds, QStringLiteral(" s"));
    f.samples = Named<QComboBox>(dialog, "samples");
    f.samples->addItems({QStringLiteral("Off"), QStringLiteral("2 × 2 samples a pixel"),
                         QStringLiteral("3 × 3 samples a pixel"),
                         QStringLiteral("4 × 4 samples a pixel")});
    f.samples->setCurrentIndex(std::clamp(s.supersample, 1, 4) - 1);
    f.kind = Named<QComboBox>(dialog, "kind");
    f.kind->addItems(
        {QStringLiteral("MP4 video (H.264)"), QStringLiteral("Numbered PNG frames in a folder")});
    f.kind->setCurrentIndex(initial.output.kind == MovieOutput::Kind::Video ? 0 : 1);
    f.path = Named<QLineEdit>(dialog, "path");
    f.path->setText(QString::fromStdString(initial.output.path.string()));
    auto* browse = Named<QPushButton>(dialog, "browse");
    browse->setText(QStringLiteral("&Browse..."));
    f.data = Named<QCheckBox>(dialog, "data");
    f.data->setText(QStringLiteral("&Keep the keyframes as OpenEXR data for other programs"));
    f.data->setChecked(initial.output.keyframeData);
    f.summary = Named<QLabel>(dialog, "summary");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    f.ok = buttons->button(QDialogButtonBox::Ok);
    f.ok->setText(QStringLiteral("&Export"));

    auto* sides = new QHBoxLayout;
    sides->addWidget(f.width);
    sides->addWidget(new QLabel(QStringLiteral("×"), &dialog));
    sides->addWidget(f.height);
    auto* where = new QHBoxLayout;
    where->addWidget(f.path, 1);
    where->addWidget(browse);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Size:"), f.size);
    form->addRow(QString(), sides);
    form->addRow(QStringLiteral("&Frame rate:"), f.fps);
    form->addRow(QStringLiteral("&Zoom speed:"), f.speed);
    form->addRow(QStringLiteral("S&tart width:"), f.start);
    form->addRow(QStringLiteral("&Hold the last frame:"), f.hold);
    form->addRow(QStringLiteral("&Anti-aliasing:"), f.samples);
    form->addRow(QStringLiteral("&Make:"), f.kind);
    // A label of a row of several widgets names the one its key goes to.
    auto* into = new QLabel(QStringLiteral("&Into:"), &dialog);
    into->setBuddy(f.path);
    form->addRow(into, where);
    form->addRow(f.data);
    form->addRow(f.summary);
    form->addRow(buttons);

    const auto presetOf = [&] {
        for (std::size_t i = 0; i < kSizes.size(); ++i)
            if (kSizes[i] == ViewSize{f.width->value(), f.height->value()})
                return static_cast<int>(i);
        return static_cast<int>(kSizes.size());
    };
    f.size->setCurrentIndex(presetOf());
    const auto update = [&] {
        const bool other = f.size->currentIndex() >= static_cast<int>(kSizes.size());
        f.width->setEnabled(other);
        f.height->setEnabled(other);
        bool valid = false;
        f.summary->setText(QString::fromStdString(MovieSummary(end, Read(f, initial), valid)));
        f.ok->setEnabled(valid);
    };
    QObject::connect(f.size, &QComboBox::currentIndexChanged, &dialog, [&](int index) {
        if (index >= 0 && index < static_cast<int>(kSizes.size())) {
            f.width->setValue(kSizes[static_cast<std::size_t>(index)].width);
            f.height->setValue(kSizes[static_cast<std::size_t>(index)].height);
        }
        update();
    });
    QObject::connect(f.kind, &QComboBox::currentIndexChanged, &dialog, [&](int index) {
        // The same name for either: a video "zoom.mp4", frames in the folder "zoom".
        std::filesystem::path path = f.path->text().toStdString();
        if (!path.empty()) {
            path.replace_extension(index == 0 ? ".mp4" : "");
            f.path->setText(QString::fromStdString(path.string()));
        }
        update();
    });
    for (QSpinBox* box : {f.width, f.height})
        QObject::connect(box, &QSpinBox::valueChanged, &dialog, update);
    for (QDoubleSpinBox* box : {f.speed, f.hold})
        QObject::connect(box, &QDoubleSpinBox::valueChanged, &dialog, update);
    for (QComboBox* box : {f.fps, f.samples})
        QObject::connect(box, &QComboBox::currentIndexChanged, &dialog, update);
    for (QLineEdit* edit : {f.start, f.path})
        QObject::connect(edit, &QLineEdit::textChanged, &dialog, update);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&] { Browse(dialog, f); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    update();

    while (dialog.exec() == QDialog::Accepted) {
        MovieChoice choice = Read(f, initial);
        if (VideoPossible(dialog, choice))
            return choice;
    }
    return std::nullopt;
}

}  // namespace zolt
