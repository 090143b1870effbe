#include "SvgDrawing.h"

#include <QFile>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <cmath>
#include <cstdio>

namespace plotter {

namespace {

// A paint engine that keeps the outline of everything painted, in device
// coordinates, and draws nothing.
class PathCollector : public QPaintEngine {
public:
    PathCollector() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & QPaintEngine::DirtyTransform) transform_ = state.transform();
    }
    // The painter may paint a shape twice, filled and then stroked: keep it once.
    void drawPath(const QPainterPath& path) override {
        if (path.isEmpty() ||
            (state->pen().style() == Qt::NoPen && state->brush().style() == Qt::NoBrush))
            return;
        const QPainterPath placed = transform_.map(path);
        if (paths.isEmpty() || paths.last() != placed) paths.append(placed);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count < 2) return;
        QPainterPath path(points[0]);
        for (int k = 1; k < count; ++k) path.lineTo(points[k]);
        if (mode != PolylineMode) path.closeSubpath();
        drawPath(path);
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { images = true; }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        images = true;
    }

    QList<QPainterPath> paths;
    bool images = false;

private:
    QTransform transform_;
};

class CollectingDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable PathCollector engine;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
            case PdmHeight:
                return 1000;
            case PdmWidthMM:
            case PdmHeightMM:
                return 265;
            case PdmNumColors:
                return 2;
            case PdmDepth:
                return 1;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return 0;
        }
    }
};

// Millimetres per unit of an SVG length ("210mm", "8.5in", "300", "300px").
double lengthInMillimetres(const QString& text, bool* ok) {
    static const QRegularExpression pattern(
        R"(^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)\s*(mm|cm|in|pt|pc|px)?\s*$)");
    const QRegularExpressionMatch match = pattern.match(text);
    *ok = match.hasMatch();
    if (!*ok) return 0;
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2);
    if (unit == "mm") return value;
    if (unit == "cm") return value * 10;
    if (unit == "in") return value * 25.4;
    if (unit == "pt") return value * 25.4 / 72;
    if (unit == "pc") return value * 25.4 / 6;
    return value * 25.4 / 96;  // px, the SVG user unit
}

// How long one user unit is on paper: the root's width over its viewBox width,
// or a CSS pixel (1/96 in) without both.
double millimetresPerUnit(const QByteArray& document) {
    QXmlStreamReader xml(document);
    while (!xml.atEnd() && !xml.isStartElement()) xml.readNext();
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringList viewBox = attributes.value("viewBox").toString().split(
        QRegularExpression("[\\s,]+"), Qt::SkipEmptyParts);
    bool ok = false;
    const double width = lengthInMillimetres(attributes.value("width").toString(), &ok);
    if (ok && viewBox.size() == 4 && viewBox[2].toDouble() > 0 && width > 0)
        return width / viewBox[2].toDouble();
    return 25.4 / 96;
}

}  // namespace

SvgDrawing readSvg(const QString& fileName) {
    SvgDrawing drawing;
    const bool standardInput = fileName == "-";
    const QString name = standardInput ? QStringLiteral("standard input") : fileName;
    QFile file(fileName);
    if (!(standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
        drawing.error = QString("cannot read %1: %2").arg(name, file.errorString());
        return drawing;
    }
    const QByteArray document = file.readAll();
    QSvgRenderer renderer(document);
    if (!renderer.isValid()) {
        drawing.error = QString("%1 is not an SVG document QtSvg can read").arg(name);
        return drawing;
    }
    CollectingDevice device;
    const QRectF page = renderer.viewBoxF();
    {
        QPainter painter(&device);
        renderer.render(&painter, page);  // user units map onto device units one to one
    }
    if (device.engine.images) drawing.warnings << "images ignored: only outlines are drawn";
    const double mm = millimetresPerUnit(document);
    // y grows down on the page and up on the plotter; the page's lower left is the origin.
    const QTransform toPlotter(mm, 0, 0, -mm, -page.left() * mm, page.bottom() * mm);
    for (const QPainterPath& path : device.engine.paths) drawing.paths.append(toPlotter.map(path));
    return drawing;
}

Bounds svgBounds(const SvgDrawing& drawing) {
    Bounds bounds;
    for (const QPainterPath& path : drawing.paths) {
        const QRectF box = path.boundingRect();
        bounds.add({box.left(), box.top()});
        bounds.add({box.right(), box.bottom()});
    }
    return bounds;
}

Toolpath svgToolpath(const SvgDrawing& drawing, const Placement& placement, double tolerance) {
    // toSubpathPolygons flattens curves to within half a unit of the space it maps
    // to: map to a space where that half unit is the tolerance, and back.
    const double fine = 0.5 / tolerance;
    const QTransform flattening(placement.scale * fine, 0, 0, placement.scale * fine,
                                placement.offset.x * fine, placement.offset.y * fine);
    Toolpath path;
    for (const QPainterPath& painted : drawing.paths) {
        for (const QPolygonF& polygon : painted.toSubpathPolygons(flattening)) {
            for (qsizetype k = 0; k < polygon.size(); ++k)
                path.push_back({{polygon[k].x() / fine, polygon[k].y() / fine}, k > 0, {}});
        }
    }
    return path;
}

}  // namespace plotter
