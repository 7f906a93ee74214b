// Writes a picture of the browse control in every style and state, four times enlarged, into the folder
// given on the command line (gallery.png shows them all together), so that a person can look at them.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <vector>

#include "manager/browse/qt/browse_ctrl.h"

namespace {

enum class State { Normal, Hovered, Pressed, Disabled };
constexpr int kZoom = 4;

struct Case {
    const char* name;
    uint32_t style;
    const char* caption;
};

void Mouse(CBrowseCtrl& control, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(control.mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&control, &event);
}

QImage Shoot(const Case& c, State state) {
    QWidget host;
    host.resize(180, 25);
    host.show();
    CBrowseCtrl control;
    control.SetCaption(QString::fromLatin1(c.caption));
    control.Create(QRect(2, 2, 176, 21), &host, 1001, c.style);
    control.SetPath(QStringLiteral("/var/spool/quillcollector"));
    const QPoint centre = control.ButtonRect().center();
    if (state == State::Hovered || state == State::Pressed) Mouse(control, QEvent::MouseMove, centre);
    if (state == State::Pressed) Mouse(control, QEvent::MouseButtonPress, centre);
    if (state == State::Disabled) control.setEnabled(false);
    const QImage image = host.grab().toImage();
    return image.scaled(image.size() * kZoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: BrowseGallery FOLDER\n");
        return 2;
    }
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPointSize(8);
    QApplication::setFont(font);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    const std::vector<Case> cases = {
        {"openfolder", kDefaultBrowseStyle, ""},
        {"folder", BCS_PICTURE | BCS_FOLDER | BCS_EDITABLE, ""},
        {"searchfolder", BCS_PICTURE | BCS_SEARCHFOLDER | BCS_EDITABLE, ""},
        {"caption", BCS_EDITABLE, "..."},
        {"flat", kDefaultBrowseStyle | BCS_FLAT, ""},
        {"flatcaption", BCS_EDITABLE | BCS_FLAT, "Browse..."},
        {"buttonleft", kDefaultBrowseStyle | BCS_BUTTONLEFT, ""},
        {"readonly", BCS_PICTURE | BCS_OPENFOLDER, ""},
    };
    const std::vector<std::pair<State, const char*>> states = {{State::Normal, "normal"},
                                                               {State::Hovered, "hovered"},
                                                               {State::Pressed, "pressed"},
                                                               {State::Disabled, "disabled"}};

    std::vector<std::vector<QImage>> shots;
    for (const Case& c : cases) {
        shots.emplace_back();
        for (const auto& [state, stateName] : states) {
            QImage shot = Shoot(c, state);
            const QString file =
                QStringLiteral("%1/%2-%3.png").arg(folder, QLatin1String(c.name), QLatin1String(stateName));
            if (!shot.save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            shots.back().push_back(shot);
        }
    }
    const QSize cell = shots[0][0].size() + QSize(8, 8);
    QImage sheet(cell.width() * static_cast<int>(states.size()),
                 cell.height() * static_cast<int>(cases.size()), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (size_t row = 0; row < shots.size(); ++row)
        for (size_t column = 0; column < shots[row].size(); ++column)
            painter.drawImage(
                QPoint(static_cast<int>(column) * cell.width(), static_cast<int>(row) * cell.height()),
                shots[row][column]);
    painter.end();
    return sheet.save(folder + QStringLiteral("/gallery.png")) ? 0 : 1;
}
