// SPDX-License-Identifier: MIT
#include "SwayDesktop.h"

#include "XDoTool.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <functional>

namespace {

QByteArray swaymsg(const QStringList& arguments)
{
    QProcess process;
    process.start("swaymsg", arguments);
    process.waitForFinished(-1);  // as xdotool's calls: the test's timeout bounds a hang
    return process.readAllStandardOutput();
}

QJsonObject tree() { return QJsonDocument::fromJson(swaymsg({"-r", "-t", "get_tree"})).object(); }

// The first node, depth first, that the test accepts; an empty object when none does.
QJsonObject findNode(const QJsonObject& node, const std::function<bool(const QJsonObject&)>& accept)
{
    if (accept(node))
        return node;
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[children].toArray()) {
            const QJsonObject found = findNode(child.toObject(), accept);
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

QRect rectOf(const QJsonValue& value)
{
    const QJsonObject rect = value.toObject();
    return QRect(rect["x"].toInt(), rect["y"].toInt(), rect["width"].toInt(), rect["height"].toInt());
}

// What the wtype holding the keyboard and the virtual pointer give the seat: keyboard and pointer.
constexpr int KeyboardAndPointer = 0x2 | 0x1;

void wtype(const QStringList& arguments)
{
    QProcess process;
    process.start("wtype", arguments);
    process.waitForFinished(-1);
}

}  // namespace

SwayDesktop::SwayDesktop()
{
    // Keys that each later wtype sends then reach a keyboard the program has had all along: a
    // keyboard that comes and goes with each wtype loses the first keys to the program.
    keyboard_.start("wtype", {"-s", "86400000"});
    ready_ = pointer_.isValid() && keyboard_.waitForStarted() && XDoTool::pollUntil([] {
        const QJsonArray seats = QJsonDocument::fromJson(swaymsg({"-r", "-t", "get_seats"})).array();
        return !seats.isEmpty() && (seats[0].toObject()["capabilities"].toInt() & KeyboardAndPointer) == KeyboardAndPointer;
    }, 10000);
}

SwayDesktop::~SwayDesktop()
{
    keyboard_.kill();
    keyboard_.waitForFinished(10000);
}

QJsonObject SwayDesktop::node(const QString& window)
{
    return findNode(tree(), [&](const QJsonObject& node) { return QString::number(node["id"].toInt()) == window; });
}

QString SwayDesktop::findWindow(const QString& title)
{
    const QJsonObject found = findNode(tree(), [&](const QJsonObject& node) {
        return node["name"].toString() == title && node["visible"].toBool() && node.contains("app_id");
    });
    return found.isEmpty() ? QString() : QString::number(found["id"].toInt());
}

QRect SwayDesktop::contentsOf(const QString& window)
{
    const QJsonObject found = node(window);
    const QRect inner = rectOf(found["window_rect"]);
    return inner.translated(rectOf(found["rect"]).topLeft());
}

QRect SwayDesktop::frameOf(const QString& window)
{
    // The title bar sway draws stands above the container's rectangle.
    const QJsonObject found = node(window);
    return rectOf(found["rect"]).adjusted(0, -rectOf(found["deco_rect"]).height(), 0, 0);
}

QString SwayDesktop::programOf(const QString& window) { return node(window)["app_id"].toString(); }

QString SwayDesktop::activeWindow()
{
    const QJsonObject found = findNode(tree(), [](const QJsonObject& node) {
        return node["focused"].toBool() && node.contains("app_id");
    });
    return found.isEmpty() ? QString() : QString::number(found["id"].toInt());
}

void SwayDesktop::click(const QString& window, QPoint point)
{
    pointer_.click(contentsOf(window).topLeft() + point, rectOf(tree()["rect"]).size());
}

void SwayDesktop::answer(const QString& text)
{
    wtype({"-M", "ctrl", "-k", "a", "-m", "ctrl", "--", text});
    pressReturn();
}

void SwayDesktop::pressReturn() { wtype({"-k", "Return"}); }
