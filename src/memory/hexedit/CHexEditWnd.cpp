// SPDX-License-Identifier: MIT
#include "memory/hexedit/CHexEditWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <cstdlib>
#include <memory>
#include <new>

#include "memory/hexedit/HexPaintRunBuilder.h"

namespace {

HexKey KeyOf(int key) {
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return HexKey::Tab;
        case Qt::Key_PageUp:
            return HexKey::PageUp;
        case Qt::Key_PageDown:
            return HexKey::PageDown;
        case Qt::Key_Home:
            return HexKey::Home;
        case Qt::Key_End:
            return HexKey::End;
        case Qt::Key_Left:
            return HexKey::Left;
        case Qt::Key_Right:
            return HexKey::Right;
        case Qt::Key_Up:
            return HexKey::Up;
        case Qt::Key_Down:
            return HexKey::Down;
        case Qt::Key_Backspace:
            return HexKey::Backspace;
        default:
            return HexKey::Other;
    }
}

// The characters a key types: exactly those that make a character message
// on the system the window follows. Enter, Escape, the printable characters
// and Ctrl with a letter do; Delete, Insert, the arrows, the function keys
// and the like type nothing, whatever text the key event carries. Backspace
// is swallowed before it is translated, and Tab belongs to the navigation.
std::vector<uint32_t> CharactersOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    // Alt combinations are menu keys, not characters.
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) return {};
    const int key = event.key();
    if (modifiers & Qt::ControlModifier) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return {static_cast<uint32_t>(key - Qt::Key_A + 1)};
        return {};
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return {'\r'};
    if (key == Qt::Key_Escape) return {0x1B};
    std::vector<uint32_t> codes;
    for (QChar c : event.text()) {
        // One byte per character: what Latin-1 cannot hold is not typed, and
        // control characters come only from the keys above.
        if (c.unicode() < 0x100 && c.isPrint()) codes.push_back(c.unicode());
    }
    return codes;
}

HexScrollAction ScrollActionOf(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return HexScrollAction::LineUp;
        case QAbstractSlider::SliderSingleStepAdd:
            return HexScrollAction::LineDown;
        case QAbstractSlider::SliderPageStepSub:
            return HexScrollAction::PageUp;
        case QAbstractSlider::SliderPageStepAdd:
            return HexScrollAction::PageDown;
        case QAbstractSlider::SliderMove:
            return HexScrollAction::ThumbTrack;
        default:
            return HexScrollAction::Other;
    }
}

}  // namespace

QFont CHexEditWnd::HexFont() {
    // Metric-compatible with the face the layout was drawn for.
    QFont font("Liberation Mono");
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(12);
    }
    return font;
}

CHexEditWnd::CHexEditWnd(QWidget* parent)
    : QAbstractScrollArea(parent), m_font(HexFont()), m_rawFont(QRawFont::fromFont(m_font)) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    const QFontMetrics metrics(m_font);
    m_model.SetCellSize(metrics.horizontalAdvance(QLatin1Char('0')), metrics.height());
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &CHexEditWnd::OnScrollAction);
    // The caret blinks at the desktop's rate; a rate of 0 means it stays on.
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) {
        m_blink.setInterval(flash / 2);
        connect(&m_blink, &QTimer::timeout, this, [this] {
            m_blinkOn = !m_blinkOn;
            if (m_model.CaretState().Drawn()) viewport()->update();
        });
    }
    SyncScrollBar();
}

void CHexEditWnd::SetBytesPerLine(uint32_t count) {
    m_model.SetBytesPerLine(count);
    Refresh();
}

void CHexEditWnd::SetColumns(bool showAddress, bool showHex, bool showChar, bool wideAddresses) {
    m_model.SetColumns(showAddress, showHex, showChar, wideAddresses);
    Refresh();
}

int CHexEditWnd::AttachDump(uint32_t size, uint32_t baseAddress, const std::string& basePath) {
    const int result = m_model.AttachDump(size, baseAddress, basePath);
    EnsureLayout();
    Refresh();
    return result;
}

uint32_t CHexEditWnd::ReadData(uint8_t* buffer, uint32_t offset, uint32_t count) {
    return m_model.ReadData(buffer, offset, count);
}

uint32_t CHexEditWnd::ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count) {
    return m_model.ReadModifiedMap(buffer, offset, count);
}

void CHexEditWnd::ClearModifiedMap() {
    m_model.ClearModifiedMap();
    Refresh();
}

bool CHexEditWnd::MarkModified(uint32_t offset) {
    const bool marked = m_model.MarkModified(offset);
    viewport()->update();
    return marked;
}

bool CHexEditWnd::FindNext(const std::vector<uint8_t>& pattern, bool exact,
                           WorkProgress* progress) {
    EnsureLayout();
    const bool found = m_model.FindNext(pattern, exact, progress);
    Refresh();
    return found;
}

void CHexEditWnd::HideCaret() {
    m_model.NonClientPaint();
    viewport()->update();
}

void CHexEditWnd::EnsureLayout() {
    m_model.SetClientSize(viewport()->width(), viewport()->height());
    m_model.LayoutIfPending();
}

void CHexEditWnd::Refresh() {
    SyncScrollBar();
    viewport()->update();
}

void CHexEditWnd::SyncScrollBar() {
    const HexScrollRange& range = m_model.Scroll();
    QScrollBar* bar = verticalScrollBar();
    m_syncing = true;
    const bool live = m_model.Attached() && range.Scrollable();
    // QScrollBar counts thumb positions; the system's range counts lines.
    bar->setRange(0, live ? static_cast<int>(range.TrackMaximum()) : 0);
    bar->setPageStep(static_cast<int>(std::max<int64_t>(range.page, 1)));
    bar->setSingleStep(1);
    bar->setSliderPosition(static_cast<int>(range.position));
    bar->setValue(static_cast<int>(range.position));
    bar->setEnabled(live);
    m_syncing = false;
}

void CHexEditWnd::OnScrollAction(int action) {
    if (m_syncing) return;
    EnsureLayout();
    QScrollBar* bar = verticalScrollBar();
    m_model.VScroll(ScrollActionOf(action), bar->sliderPosition());
    // The slot may set the position the action leads to.
    bar->setSliderPosition(static_cast<int>(m_model.Scroll().position));
    viewport()->update();
}

void CHexEditWnd::paintEvent(QPaintEvent*) {
    EnsureLayout();
    QPixmap buffer(viewport()->size());
    buffer.fill(Qt::white);
    {
        QPainter painter(&buffer);
        painter.setFont(m_font);
        const QFontMetrics metrics(m_font);
        const int cellWidth = m_model.Layout().cellWidth;
        const int cellHeight = m_model.Layout().cellHeight;
        for (const HexPaintRun& run : HexPaintRunBuilder::Build(m_model)) {
            QColor foreground = Qt::black;
            if (run.style == HexTextStyle::Changed) foreground = QColor(255, 0, 0);
            if (run.style == HexTextStyle::Highlighted) {
                painter.fillRect(run.x, run.y, run.Width(), cellHeight,
                                 palette().color(QPalette::Active, QPalette::Highlight));
                foreground = palette().color(QPalette::Active, QPalette::HighlightedText);
            }
            painter.setPen(foreground);
            DrawRun(painter, run, metrics.ascent());
        }
        const HexCaret& caret = m_model.CaretState();
        if (m_model.Attached() && caret.Drawn() && hasFocus() && m_blinkOn) {
            // A solid block that inverts the cell, as the system caret does.
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(caret.x, caret.y, cellWidth, cellHeight, Qt::white);
        }
    }
    QPainter(viewport()).drawPixmap(0, 0, buffer);
}

void CHexEditWnd::DrawRun(QPainter& painter, const HexPaintRun& run, int ascent) {
    const QString text = QString::fromLatin1(run.text.data(), qsizetype(run.text.size()));
    // Each character in its cell: the font's own advance is rarely the whole
    // pixels of a cell, and a string drawn at it drifts off the cells.
    if (!m_rawFont.isValid()) {
        for (qsizetype i = 0; i < text.size(); ++i)
            painter.drawText(run.CellX(size_t(i)), run.y + ascent, QString(text[i]));
        return;
    }
    const QList<quint32> glyphs = m_rawFont.glyphIndexesForString(text);
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    for (qsizetype i = 0; i < glyphs.size(); ++i)
        positions.append(QPointF(run.CellX(size_t(i)), run.y + ascent));
    QGlyphRun glyphRun;
    glyphRun.setRawFont(m_rawFont);
    glyphRun.setGlyphIndexes(glyphs);
    glyphRun.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, 0), glyphRun);
}

void CHexEditWnd::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // Lines per page follow the client area, so the scroll range stays true.
    m_model.MarkLayoutPending();
    EnsureLayout();
    Refresh();
}

bool CHexEditWnd::event(QEvent* event) {
    // Tab belongs to the window, not to the form's focus chain.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void CHexEditWnd::keyPressEvent(QKeyEvent* event) {
    EnsureLayout();
    const HexKey key = KeyOf(event->key());
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    m_model.KeyDown(key, shift, ctrl);
    if (key != HexKey::Backspace) TypeCharacters(event);
    RestartBlink();
    Refresh();
    event->accept();
}

void CHexEditWnd::TypeCharacters(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    for (uint32_t code : CharactersOf(*event)) {
        if (m_model.Char(code, ctrl) == HexCharEffect::CopySelection) CopySelection();
    }
}

void CHexEditWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    EnsureLayout();
    const QPoint point = event->position().toPoint();
    m_model.LButtonDown(point.x(), point.y(), event->modifiers() & Qt::ShiftModifier);
    m_pressPoint = point;
    m_pressed = !(event->modifiers() & Qt::ShiftModifier);
    RestartBlink();
    viewport()->update();
}

void CHexEditWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint point = event->position().toPoint();
    if (m_pressed &&
        (point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        // The platform's drag detection: the press becomes a drag from its caret.
        m_pressed = false;
        m_model.BeginDrag();
    }
    m_model.MouseMove(point.x(), point.y());
    Refresh();
}

void CHexEditWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_pressed = false;
    m_model.LButtonUp();
    viewport()->update();
}

void CHexEditWnd::mouseDoubleClickEvent(QMouseEvent*) {}

void CHexEditWnd::wheelEvent(QWheelEvent* event) {
    EnsureLayout();
    // A wheel notch is 120; finer devices send parts of one, which add up to
    // a notch before they scroll a page.
    m_wheelDelta += event->angleDelta().y();
    if (std::abs(m_wheelDelta) >= 120) {
        m_model.Wheel(m_wheelDelta);
        m_wheelDelta = 0;
    }
    Refresh();
    event->accept();
}

void CHexEditWnd::RestartBlink() {
    m_blinkOn = true;
    if (m_blink.interval() > 0) m_blink.start();
}

void CHexEditWnd::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    m_model.FocusIn();
    viewport()->update();
}

void CHexEditWnd::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    m_model.FocusOut();
    viewport()->update();
}

QMenu* CHexEditWnd::CreatePopupMenu() {
    auto* menu = new QMenu(QStringLiteral("_POPUP_"), this);
    QAction* copy = menu->addAction(tr("&Copy"), this, &CHexEditWnd::OnEditCopy);
    copy->setEnabled(m_model.HasSelection());
    menu->addSeparator();
    menu->addAction(tr("Select &All"), this, &CHexEditWnd::OnEditSelectAll);
    return menu;
}

void CHexEditWnd::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreatePopupMenu();
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
                          ? viewport()->mapToGlobal(QPoint(5, 5))
                          : event->globalPos();
    menu->exec(at);
    delete menu;
}

void CHexEditWnd::CopySelection() {
    // The clipboard's own buffers, so each form of the copy is made once.
    struct MimeSink : HexClipboardSink {
        QByteArray bytes;
        QByteArray text;
        uint8_t* Bytes(size_t count) override {
            bytes = QByteArray(qsizetype(count), Qt::Uninitialized);
            return reinterpret_cast<uint8_t*>(bytes.data());
        }
        char* Text(size_t length) override {
            text = QByteArray(qsizetype(length), Qt::Uninitialized);
            return text.data();
        }
    };
    // A copy that cannot be placed places nothing; no allocation failure may
    // leave the key or menu handler.
    try {
        MimeSink sink;
        if (!m_model.CopySelection(sink)) return;
        auto mime = std::make_unique<QMimeData>();
        mime->setData(QString::fromLatin1(kBinaryDataMimeType), sink.bytes);
        // Plain ASCII, so the bytes are the text as they stand.
        mime->setData(QStringLiteral("text/plain"), sink.text);
        QApplication::clipboard()->setMimeData(mime.release());
    } catch (const std::bad_alloc&) {
    }
}

void CHexEditWnd::OnEditCopy() {
    CopySelection();
}

void CHexEditWnd::OnEditCut() {
    // Nothing is removed: a dump cannot shrink.
    CopySelection();
    viewport()->update();
}

void CHexEditWnd::OnEditSelectAll() {
    m_model.SelectAll();
    viewport()->update();
}

bool CHexEditWnd::OnUpdateEditCopy() const {
    return m_model.HasSelection();
}
bool CHexEditWnd::OnUpdateEditCut() const {
    return m_model.HasSelection();
}
bool CHexEditWnd::OnUpdateEditSelectAll() const {
    return m_model.Attached();
}
