#pragma once
// View > Chart: a dock beside the journal with the chart of the report block
// under the cursor (the newest block while the cursor is on none), and
// buttons that save it as PNG or SVG.
#include <QDockWidget>

class QPushButton;

namespace mirto {

class CTervoDoc;
class ChartView;

class ChartDock : public QDockWidget {
  Q_OBJECT
 public:
  ChartDock(const CTervoDoc& doc, QWidget* parent);

  ChartView* Chart() const { return m_chart; }
  // Draws the chart of the block holding journal line `line`.
  void ShowBlockAt(std::size_t line);
  // Asks for a file and saves the chart there.
  void ExportPng();
  void ExportSvg();

 private:
  void Export(const QString& filter, bool svg);

  const CTervoDoc& m_doc;
  ChartView* m_chart;
  QPushButton* m_png;
  QPushButton* m_svg;
};

}  // namespace mirto
