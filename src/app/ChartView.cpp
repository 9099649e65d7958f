#include "app/ChartView.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace mirto {
namespace {

const QColor kInk(0x2a, 0x6f, 0xb5);
// The lines of several series, the first in the usual ink.
const QColor kInks[] = {kInk, QColor(0xd0, 0x60, 0x20), QColor(0x30, 0x90, 0x40), QColor(0x80, 0x40, 0xa0)};

QString Number(double v) { return QString::number(v, 'g', 6); }

// Ticks at 1, 2 or 5 times a power of ten, about `count` of them over low..high.
std::vector<double> Ticks(double low, double high, int count) {
  const double raw = (high - low) / count;
  if (!(raw > 0) || !std::isfinite(raw)) return {low};
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double step = raw / power < 1.5   ? power
                      : raw / power < 3.5 ? 2 * power
                      : raw / power < 7.5 ? 5 * power
                                          : 10 * power;
  // Counted, not summed: a step below the values' precision must still end.
  std::vector<double> ticks;
  const double first = std::ceil(low / step);
  for (int k = 0; k < 4 * count && (first + k) * step <= high + step * 1e-9; ++k) ticks.push_back((first + k) * step);
  return ticks.empty() ? std::vector<double>{low} : ticks;
}

// low..high widened a little, and never empty.
std::pair<double, double> Padded(double low, double high) {
  const double pad = high > low ? (high - low) * 0.06 : std::max(std::fabs(low) * 0.1, 1.0);
  return {low - pad, high + pad};
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
  setObjectName("Chart");
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setMinimumSize(240, 160);
}

void ChartView::SetChart(std::optional<extras::ChartData> chart) {
  m_chart = std::move(chart);
  update();
}

bool ChartView::SavePng(const QString& path) const {
  QImage image(size() * 2, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.scale(2, 2);
  Draw(painter, rect());
  painter.end();
  return image.save(path, "PNG");
}

bool ChartView::SaveSvg(const QString& path) const {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(size());
  svg.setViewBox(rect());
  svg.setTitle(m_chart ? QString::fromStdString(m_chart->title) : QString());
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  painter.fillRect(rect(), Qt::white);
  Draw(painter, rect());
  return painter.end();
}

void ChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Draw(painter, rect());
}

void ChartView::Draw(QPainter& painter, QRectF area) const {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::black);
  if (!m_chart) {
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                     "No chart for this report: charts are drawn for intervals by stratum, cluster or domain, for "
                     "the sample size of simple random or stratified sampling, its sensitivity, and the g factors "
                     "of a calibration.");
    return;
  }
  const QFontMetricsF metrics(painter.font());
  painter.drawText(area.adjusted(8, 4, -8, 0), Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(m_chart->title));
  const QRectF plot = area.adjusted(8, metrics.height() + 12, -16, -(2 * metrics.height() + 10));
  switch (m_chart->kind) {
    case extras::ChartData::Kind::Intervals: DrawIntervals(painter, plot, *m_chart); return;
    case extras::ChartData::Kind::SampleSize: DrawCurve(painter, plot, *m_chart); return;
    case extras::ChartData::Kind::Histogram: DrawHistogram(painter, plot, *m_chart); return;
  }
}

void ChartView::DrawIntervals(QPainter& painter, QRectF plot, const extras::ChartData& chart) const {
  const QFontMetricsF metrics(painter.font());
  qreal labels = 0;
  double low = chart.intervals.front().low, high = chart.intervals.front().high;
  for (const extras::ChartInterval& i : chart.intervals) {
    labels = std::max(labels, metrics.horizontalAdvance(QString::fromStdString(i.label)));
    low = std::min(low, i.low);
    high = std::max(high, i.high);
  }
  std::tie(low, high) = Padded(low, high);
  plot.setLeft(plot.left() + labels + 10);
  const auto x = [&](double v) { return plot.left() + (v - low) / (high - low) * plot.width(); };
  painter.setPen(Qt::lightGray);
  for (double t : Ticks(low, high, 5)) {
    painter.drawLine(QPointF(x(t), plot.top()), QPointF(x(t), plot.bottom()));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(x(t) - 40, plot.bottom() + 2, 80, metrics.height()), Qt::AlignHCenter, Number(t));
    painter.setPen(Qt::lightGray);
  }
  painter.setPen(Qt::black);
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawText(QRectF(plot.left(), plot.bottom() + metrics.height() + 4, plot.width(), metrics.height()),
                   Qt::AlignHCenter, QString::fromStdString(chart.valueName));
  const qreal row = plot.height() / static_cast<qreal>(chart.intervals.size());
  for (std::size_t k = 0; k < chart.intervals.size(); ++k) {
    const extras::ChartInterval& i = chart.intervals[k];
    const qreal y = plot.top() + (static_cast<qreal>(k) + 0.5) * row;
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left() - labels - 10, y - row / 2, labels, row), Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(i.label));
    painter.setPen(QPen(kInk, 2));
    painter.drawLine(QPointF(x(i.low), y), QPointF(x(i.high), y));
    painter.drawLine(QPointF(x(i.low), y - 4), QPointF(x(i.low), y + 4));
    painter.drawLine(QPointF(x(i.high), y - 4), QPointF(x(i.high), y + 4));
    painter.setBrush(kInk);
    painter.drawEllipse(QPointF(x(i.estimate), y), 4, 4);
    painter.setBrush(Qt::NoBrush);
  }
}

void ChartView::DrawCurve(QPainter& painter, QRectF plot, const extras::ChartData& chart) const {
  const QFontMetricsF metrics(painter.font());
  double top = 0, left = chart.series.front().points.front().first, right = left;
  for (const extras::ChartSeries& line : chart.series)
    for (const auto& [margin, n] : line.points) {
      top = std::max(top, n);
      left = std::min(left, margin);
      right = std::max(right, margin);
    }
  const std::vector<double> rows = Ticks(0, top * 1.05, 5);
  const double ceiling = std::max(top * 1.05, rows.back());
  const auto x = [&](double v) { return plot.left() + (v - left) / (right - left) * plot.width(); };
  const auto y = [&](double v) { return plot.bottom() - v / ceiling * plot.height(); };
  plot.setLeft(plot.left() + LeftAxis(painter, plot, rows, [&](double v) { return y(v); }));
  BottomAxis(painter, plot, left, right, chart.valueName);
  for (std::size_t s = 0; s < chart.series.size(); ++s) {
    QPainterPath path;
    const auto& points = chart.series[s].points;
    for (std::size_t k = 0; k < points.size(); ++k) {
      const QPointF p(x(points[k].first), y(points[k].second));
      k == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    painter.setPen(QPen(kInks[s % std::size(kInks)], 2));
    painter.drawPath(path);
    if (chart.series[s].name.empty()) continue;
    // The legend: top right, a line each.
    const QPointF at(plot.right() - 70, plot.top() + 4 + metrics.height() * static_cast<qreal>(s));
    painter.drawLine(at + QPointF(0, metrics.height() / 2), at + QPointF(18, metrics.height() / 2));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(at + QPointF(22, 0), QSizeF(50, metrics.height())), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(chart.series[s].name));
  }
  if (!(chart.entered.first > 0)) return;
  const QPointF own(x(chart.entered.first), y(chart.entered.second));
  painter.setPen(Qt::black);
  painter.setBrush(kInk);
  painter.drawEllipse(own, 4, 4);
  painter.setBrush(Qt::NoBrush);
  painter.drawText(own + QPointF(8, -6), "margin entered: " + Number(chart.entered.first));
}

void ChartView::DrawHistogram(QPainter& painter, QRectF plot, const extras::ChartData& chart) const {
  double top = 0;
  for (const extras::ChartBin& bin : chart.bins) top = std::max(top, bin.count);
  const std::vector<double> rows = Ticks(0, std::max(top, 1.0) * 1.05, 5);
  const double ceiling = std::max(std::max(top, 1.0) * 1.05, rows.back());
  const auto [left, right] = Padded(chart.bins.front().low, chart.bins.back().high);
  const auto y = [&](double v) { return plot.bottom() - v / ceiling * plot.height(); };
  plot.setLeft(plot.left() + LeftAxis(painter, plot, rows, y));
  const auto x = [&](double v) { return plot.left() + (v - left) / (right - left) * plot.width(); };
  BottomAxis(painter, plot, left, right, chart.valueName);
  painter.setPen(QPen(Qt::white, 1));
  painter.setBrush(kInk);
  for (const extras::ChartBin& bin : chart.bins) {
    if (!(bin.count > 0)) continue;
    // Every g the same: one bin of no width, drawn as a bar of a few pixels.
    const qreal from = x(bin.low), to = std::max(x(bin.high), from + 4);
    painter.drawRect(QRectF(QPointF(from, y(bin.count)), QPointF(to, plot.bottom())));
  }
  painter.setBrush(Qt::NoBrush);
}

qreal ChartView::LeftAxis(QPainter& painter, QRectF plot, const std::vector<double>& ticks,
                          const std::function<double(double)>& y) const {
  const QFontMetricsF metrics(painter.font());
  qreal labels = 0;
  for (double t : ticks) labels = std::max(labels, metrics.horizontalAdvance(Number(t)));
  for (double t : ticks) {
    painter.setPen(Qt::lightGray);
    painter.drawLine(QPointF(plot.left() + labels + 8, y(t)), QPointF(plot.right(), y(t)));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), y(t) - metrics.height() / 2, labels, metrics.height()), Qt::AlignRight,
                     Number(t));
  }
  return labels + 8;
}

void ChartView::BottomAxis(QPainter& painter, QRectF plot, double left, double right, const std::string& name) const {
  const QFontMetricsF metrics(painter.font());
  const auto x = [&](double v) { return plot.left() + (v - left) / (right - left) * plot.width(); };
  painter.setPen(Qt::black);
  for (double t : Ticks(left, right, 5))
    painter.drawText(QRectF(x(t) - 40, plot.bottom() + 2, 80, metrics.height()), Qt::AlignHCenter, Number(t));
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawText(QRectF(plot.left(), plot.bottom() + metrics.height() + 4, plot.width(), metrics.height()),
                   Qt::AlignHCenter, QString::fromStdString(name));
}

}  // namespace mirto
