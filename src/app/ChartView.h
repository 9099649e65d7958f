#pragma once
// The chart of one report block, drawn with QPainter from the figures the
// library works out of the block's record (extras/Charts.h): intervals by
// group as dots with whiskers, the required sample size against the
// margin (a line per level) with the block's own point marked, or a
// histogram of g factors. Saved as PNG or SVG as drawn.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "extras/Charts.h"

namespace mirto {

class ChartView : public QWidget {
  Q_OBJECT
 public:
  explicit ChartView(QWidget* parent = nullptr);

  // Nothing: the block has no chart, which the view says.
  void SetChart(std::optional<extras::ChartData> chart);
  const std::optional<extras::ChartData>& Chart() const { return m_chart; }
  // False when the file cannot be written.
  bool SavePng(const QString& path) const;
  bool SaveSvg(const QString& path) const;

  QSize sizeHint() const override { return {340, 280}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Draw(QPainter& painter, QRectF area) const;
  void DrawIntervals(QPainter& painter, QRectF plot, const extras::ChartData& chart) const;
  void DrawCurve(QPainter& painter, QRectF plot, const extras::ChartData& chart) const;
  void DrawHistogram(QPainter& painter, QRectF plot, const extras::ChartData& chart) const;
  // The value axis at the plot's left with its grid; its labels' width.
  qreal LeftAxis(QPainter& painter, QRectF plot, const std::vector<double>& ticks,
                 const std::function<double(double)>& y) const;
  void BottomAxis(QPainter& painter, QRectF plot, double left, double right, const std::string& name) const;

  std::optional<extras::ChartData> m_chart;
};

}  // namespace mirto
