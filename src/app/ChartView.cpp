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
                     "No chart for this report: charts are drawn for intervals by stratum or domain and for the "
                     "sample size of simple random or stratified sampling.");
    return;
  }
  const QFontMetricsF metrics(painter.font());
  painter.drawText(area.adjusted(8, 4, -8, 0), Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(m_chart->title));
  const QRectF plot = area.adjusted(8, metrics.height() + 12, -16, -(2 * metrics.height() + 10));
  if (m_chart->kind == extras::ChartData::Kind::Intervals)
    DrawIntervals(painter, plot, *m_chart);
  else
    DrawCurve(painter, plot, *m_chart);
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
  double top = 0;
  for (const auto& point : chart.curve) top = std::max(top, point.second);
  const auto [left, right] = std::pair(chart.curve.front().first, chart.curve.back().first);
  const std::vector<double> rows = Ticks(0, top * 1.05, 5);
  qreal labels = 0;
  for (double t : rows) labels = std::max(labels, metrics.horizontalAdvance(Number(t)));
  plot.setLeft(plot.left() + labels + 8);
  const double ceiling = std::max(top * 1.05, rows.back());
  const auto x = [&](double v) { return plot.left() + (v - left) / (right - left) * plot.width(); };
  const auto y = [&](double v) { return plot.bottom() - v / ceiling * plot.height(); };
  for (double t : rows) {
    painter.setPen(Qt::lightGray);
    painter.drawLine(QPointF(plot.left(), y(t)), QPointF(plot.right(), y(t)));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left() - labels - 8, y(t) - metrics.height() / 2, labels, metrics.height()),
                     Qt::AlignRight, Number(t));
  }
  for (double t : Ticks(left, right, 5))
    painter.drawText(QRectF(x(t) - 40, plot.bottom() + 2, 80, metrics.height()), Qt::AlignHCenter, Number(t));
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawText(QRectF(plot.left(), plot.bottom() + metrics.height() + 4, plot.width(), metrics.height()),
                   Qt::AlignHCenter, QString::fromStdString(chart.valueName));
  QPainterPath path;
  for (std::size_t k = 0; k < chart.curve.size(); ++k) {
    const QPointF p(x(chart.curve[k].first), y(chart.curve[k].second));
    k == 0 ? path.moveTo(p) : path.lineTo(p);
  }
  painter.setPen(QPen(kInk, 2));
  painter.drawPath(path);
  const QPointF own(x(chart.entered.first), y(chart.entered.second));
  painter.setBrush(kInk);
  painter.drawEllipse(own, 4, 4);
  painter.setPen(Qt::black);
  painter.drawText(own + QPointF(8, -6), "margin entered: " + Number(chart.entered.first));
}

}  // namespace mirto
