#pragma once
// The journal view: draws the visible lines of the document's Journal in a
// fixed-pitch font and keeps the newest line in view after every update.
#include <QAbstractScrollArea>
#include <QFont>

#include "journal/ViewLayout.h"

class QPainter;

namespace mirto {

class CTervoDoc;

class CTervoView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit CTervoView(const CTervoDoc& doc, QWidget* parent = nullptr);

  // The document changed: new extent, scroll to the end, redraw. Costs the
  // same whatever the length of the Journal.
  void OnUpdate();

  const QFont& Font() const { return m_font; }
  int CharWidth() const { return m_charWidth; }
  int LineHeight() const { return m_lineHeight; }
  long long ExtentWidth() const { return m_extentWidth; }
  long long ExtentHeight() const { return m_extentHeight; }
  // The lines drawn by the last paint (for checks of the drawing range).
  LineRange LastDrawn() const { return m_lastDrawn; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void DrawLines(QPainter& painter, LineRange range, int x, int y);
  void UpdateScrollRanges();

  const CTervoDoc& m_doc;
  QFont m_font;
  int m_charWidth = 0;
  int m_lineHeight = 0;
  long long m_extentWidth = 0;
  long long m_extentHeight = 0;
  LineRange m_lastDrawn;
};

}  // namespace mirto
