// SPDX-License-Identifier: MIT
#include "memory/dump/CBrxMemoryView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace {

// Form of 376 x 181 dialog units.
constexpr int kFormWidth = 376;
constexpr int kFormHeight = 181;
// The drop-down list of the search box is as long as its 49 units allow.
constexpr int kSearchListUnits = 49 - 14;
constexpr int kBytesPerLine = 16;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

int TextWidth(QWidget* control) {
    if (qobject_cast<QLabel*>(control) || qobject_cast<QRadioButton*>(control) ||
        qobject_cast<QCheckBox*>(control))
        return control->sizeHint().width();
    if (auto* button = qobject_cast<QPushButton*>(control))
        return button->fontMetrics().horizontalAdvance(button->text()) +
               2 * (button->style()->pixelMetric(QStyle::PM_ButtonMargin) +
                    button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    return 0;
}

}  // namespace

CBrxMemoryView::CBrxMemoryView(const std::string& documentTitle, QWidget* parent)
    : CFormView(QSize(kFormWidth, kFormHeight), DialogUnits(QApplication::font()), parent),
      m_hexWnd(this),
      m_model(m_hexAdapter, documentTitle) {
    setFont(QApplication::font());
    m_hexWnd.SetBytesPerLine(kBytesPerLine);
    m_hexWnd.SetColumns(true, true, true, true);
    CreateControls();
    LayOutForm();
    ConnectControls();
    resize(FormSize());
}

CBrxMemoryView::~CBrxMemoryView() = default;

void CBrxMemoryView::CreateControls() {
    AddStatic("Physical Address (Hex)", 7, 7, 74, 8);
    AddStatic("Size (Bytes in Hex)", 101, 7, 61, 8);
    m_edAddress = new QLineEdit(this);
    Place(m_edAddress, 7, 18, 74, 14);
    m_edSize = new QLineEdit(this);
    Place(m_edSize, 99, 18, 60, 14);
    // What a field shows is all that is read: no digit beyond it counts.
    m_edAddress->setMaxLength(kMemoryFieldLimit);
    m_edSize->setMaxLength(kMemoryFieldLimit);
    m_btDump = new QPushButton("Dump", this);
    Place(m_btDump, 176, 18, 50, 14);
    m_btWrite = new QPushButton("Write", this);
    Place(m_btWrite, 248, 17, 50, 14);
    m_btClear = new QPushButton("Clear", this);
    Place(m_btClear, 319, 17, 50, 14);
    AddStatic("Memory Dump", 7, 38, 46, 8);
    Place(&m_hexWnd, 7, 49, 362, 105);
    m_rbAscii = new QRadioButton("ASCII Mode", this);
    Place(m_rbAscii, 7, 164, 54, 10);
    m_rbHex = new QRadioButton("HEX Mode", this);
    Place(m_rbHex, 61, 164, 48, 10);
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_rbAscii);
    modes->addButton(m_rbHex);
    m_cbSearch = new QComboBox(this);
    m_cbSearch->setEditable(true);
    // The history is the model's; the box only shows it.
    m_cbSearch->setInsertPolicy(QComboBox::NoInsert);
    m_cbSearch->lineEdit()->setMaxLength(static_cast<int>(kSearchTextLimit));
    Place(m_cbSearch, 113, 162, 112, 14);
    m_btSearch = new QPushButton("Search", this);
    Place(m_btSearch, 233, 160, 50, 14);
    m_chCase = new QCheckBox("Case sensitive", this);
    Place(m_chCase, 295, 164, 62, 10);
}

void CBrxMemoryView::LayOutForm() {
    WidenUnitsToFit(TextWidth);
    for (const FormItem& item : FormItems())
        item.control->setGeometry(Units().Rect(item.x, item.y, item.width, item.height));
    const int rowHeight = std::max(m_cbSearch->fontMetrics().height(), 1);
    m_cbSearch->setMaxVisibleItems(std::max(1, Units().Y(kSearchListUnits) / rowHeight));
}

void CBrxMemoryView::ConnectControls() {
    connect(m_btDump, &QPushButton::clicked, this, [this] { OnDump(); });
    connect(m_btWrite, &QPushButton::clicked, this, [this] { OnWrite(); });
    connect(m_btClear, &QPushButton::clicked, this, [this] { OnClear(); });
    connect(m_btSearch, &QPushButton::clicked, this, [this] { OnSearch(); });
    // The check state stays as it was; HEX patterns always compare exactly.
    connect(m_rbHex, &QRadioButton::clicked, this, [this] { m_chCase->setEnabled(false); });
    connect(m_rbAscii, &QRadioButton::clicked, this, [this] { m_chCase->setEnabled(true); });
}

void CBrxMemoryView::OnInitialUpdate() {
    if (m_bInitialized) return;
    m_bInitialized = true;
    m_hexWnd.setEnabled(false);
    FitParentFrame();
    m_rbAscii->setChecked(true);
    m_btSearch->setEnabled(false);
}

void CBrxMemoryView::showEvent(QShowEvent* event) {
    CFormView::showEvent(event);
    OnInitialUpdate();
}

void CBrxMemoryView::ShowDumpState() {
    m_hexWnd.setEnabled(m_model.HasDump());
    m_hexWnd.HideCaret();
    m_btSearch->setEnabled(m_model.HasDump());
}

void CBrxMemoryView::ShowFocus() {
    QWidget* target = nullptr;
    switch (m_model.Focus()) {
        case MemoryDumpField::Address:
            target = m_edAddress;
            break;
        case MemoryDumpField::Size:
            target = m_edSize;
            break;
        case MemoryDumpField::Search:
            target = m_cbSearch;
            break;
        case MemoryDumpField::None:
            break;
    }
    if (target) target->setFocus(Qt::OtherFocusReason);
}

void CBrxMemoryView::OnDump() {
    OnInitialUpdate();
    QtWorkProgress progress(this, tr("Dumping memory..."), m_progressDelay);
    m_model.OnDump(m_edAddress->text().toStdString(), m_edSize->text().toStdString(), &progress);
    ShowDumpState();
    ShowFocus();
}

void CBrxMemoryView::DumpAt(uint32_t address, uint32_t size) {
    m_edAddress->setText(QString::asprintf("%08X", address));
    m_edSize->setText(QString::asprintf("%08X", size));
    OnDump();
}

void CBrxMemoryView::OnWrite() {
    m_model.OnWrite();
}

void CBrxMemoryView::OnClear() {
    if (m_model.OnClear()) ShowDumpState();
}

void CBrxMemoryView::closeEvent(QCloseEvent* event) {
    if (m_model.SettleChanges())
        event->accept();
    else
        event->ignore();
}

bool CBrxMemoryView::OnUpdateEditCopy() const {
    return m_hexWnd.hasFocus() ? m_hexWnd.OnUpdateEditCopy() : CFormView::OnUpdateEditCopy();
}

bool CBrxMemoryView::OnUpdateEditCut() const {
    return m_hexWnd.hasFocus() ? m_hexWnd.OnUpdateEditCut() : CFormView::OnUpdateEditCut();
}

void CBrxMemoryView::OnEditCopy() {
    if (m_hexWnd.hasFocus())
        m_hexWnd.OnEditCopy();
    else
        CFormView::OnEditCopy();
}

void CBrxMemoryView::OnEditCut() {
    if (m_hexWnd.hasFocus())
        m_hexWnd.OnEditCut();
    else
        CFormView::OnEditCut();
}

void CBrxMemoryView::ShowHistory() {
    m_cbSearch->clear();
    for (const std::string& entry : m_model.SearchHistory()) m_cbSearch->addItem(Text(entry));
    m_cbSearch->setCurrentIndex(0);
}

void CBrxMemoryView::OnSearch() {
    const std::string text = m_cbSearch->currentText().toStdString();
    const bool hexMode = m_rbHex->isChecked();
    const bool caseSensitive = m_chCase->isChecked();
    QtWorkProgress progress(this, tr("Searching..."), m_progressDelay);
    // The history goes first: the box shows it even when the text is refused.
    m_model.OnSearch(text, hexMode, caseSensitive, &progress);
    // A cancelled search leaves the box as the user left it.
    if (progress.Cancelled()) return;
    ShowHistory();
    ShowFocus();
}

SaveResult CBrxMemoryView::SaveToFile(std::FILE* file) {
    QtWorkProgress progress(this, tr("Saving..."), m_progressDelay);
    return m_model.SaveToFile(file, &progress);
}
