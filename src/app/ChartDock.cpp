#include "app/ChartDock.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/ChartView.h"
#include "framework/Results.h"
#include "journal/CTervoDoc.h"

namespace mirto {

ChartDock::ChartDock(const CTervoDoc& doc, QWidget* parent)
    : QDockWidget("Chart", parent),
      m_doc(doc),
      m_chart(new ChartView(this)),
      m_png(new QPushButton("Save as &PNG...", this)),
      m_svg(new QPushButton("Save as S&VG...", this)) {
  setObjectName("ChartDock");
  connect(m_png, &QPushButton::clicked, this, &ChartDock::ExportPng);
  connect(m_svg, &QPushButton::clicked, this, &ChartDock::ExportSvg);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_png);
  buttons->addWidget(m_svg);
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_chart, 1);
  layout->addLayout(buttons);
  setWidget(body);
  ShowBlockAt(0);
}

void ChartDock::ShowBlockAt(std::size_t line) {
  const std::vector<CompletedBlock>& blocks = m_doc.Blocks();
  const CompletedBlock* block = FindBlock(blocks, line);
  if (!block && !blocks.empty()) block = &blocks.back();
  m_chart->SetChart(block && block->command ? extras::ChartFor(*block->command, NamedRecord(*block)) : std::nullopt);
  m_png->setEnabled(m_chart->Chart().has_value());
  m_svg->setEnabled(m_chart->Chart().has_value());
}

void ChartDock::ExportPng() { Export("PNG image (*.png)", false); }
void ChartDock::ExportSvg() { Export("SVG image (*.svg)", true); }

void ChartDock::Export(const QString& filter, bool svg) {
  QString path = QFileDialog::getSaveFileName(this, "Save chart", QString(), filter);
  if (path.isEmpty()) return;
  if (!path.endsWith(svg ? ".svg" : ".png", Qt::CaseInsensitive)) path += svg ? ".svg" : ".png";
  if (!(svg ? m_chart->SaveSvg(path) : m_chart->SavePng(path)))
    QMessageBox::warning(this, kAppTitle, "Cannot write " + path + ".");
}

}  // namespace mirto
