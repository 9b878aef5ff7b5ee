// SPDX-License-Identifier: MIT
#include "pci/CBrxPciView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "pci/CFieldPane.h"
#include "pci/PciReportWriter.h"
#include "pci/PciSaveSelection.h"
#include "platform/MessageBox.h"

namespace {

// Form of 338 x 212 dialog units, grown downward by the field pane.
constexpr int kFormWidth = 338;
constexpr int kFormHeight = 312;
constexpr int kEdgeGap = 10;
constexpr int kFieldLimit = 8;
// The Segment box and its label, in dialog units.
constexpr int kSegmentX = 124;
constexpr int kSegmentWidth = 33;

// The pane's controls in dialog units: its title, the Watch box and its
// interval on the title's line, and the pane, which ends at the bottom.
struct UnitRect {
    int x, y, width, height;
};
constexpr UnitRect kRegisterListRect{168, 18, 163, 187};
constexpr UnitRect kPaneTitleRect{7, 212, 150, 8};
constexpr UnitRect kWatchBoxRect{241, 211, 40, 10};
constexpr UnitRect kWatchIntervalRect{283, 210, 48, 14};
constexpr UnitRect kPaneRect{7, 225, 324, 80};
constexpr int kDefaultWatchMs = 500;
constexpr int kMinWatchMs = 50;
constexpr int kMaxWatchMs = 60000;

struct RegisterColumn {
    const char* heading;
    Qt::Alignment alignment;
    int width;
};
constexpr RegisterColumn kRegisterColumns[] = {
    {"Offset", Qt::AlignCenter, 50},
    {"Value (Hex)", Qt::AlignCenter, 90},
    {"Description", Qt::AlignLeft | Qt::AlignVCenter, 200},
    {"Decoded", Qt::AlignLeft | Qt::AlignVCenter, 360},
};
constexpr int kRegisterColumnCount = static_cast<int>(std::size(kRegisterColumns));
constexpr int kDescriptionColumn = 2;
constexpr int kDecodedColumn = 3;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

void SetItems(QComboBox* box, const std::vector<std::string>& items) {
    box->clear();
    for (const std::string& item : items) box->addItem(Text(item));
}

}  // namespace

CBrxPciView::CBrxPciView(QWidget* parent)
    : CFormView(QSize(kFormWidth, kFormHeight), DialogUnits(QApplication::font()), parent) {
    setFont(QApplication::font());
    CreateControls();
    LayOutForm();
    ConnectControls();
    resize(FormSize());
}

CBrxPciView::~CBrxPciView() = default;

int CBrxPciView::TextWidth(QWidget* control) const {
    if (qobject_cast<QLabel*>(control) || qobject_cast<QRadioButton*>(control) ||
        qobject_cast<QCheckBox*>(control))
        return control->sizeHint().width();
    if (auto* button = qobject_cast<QPushButton*>(control))
        return button->fontMetrics().horizontalAdvance(button->text()) +
               2 * (style()->pixelMetric(QStyle::PM_ButtonMargin) +
                    style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    return 0;
}

void CBrxPciView::LayOutForm() {
    WidenUnitsToFit([this](QWidget* control) { return TextWidth(control); });
    for (const FormItem& item : FormItems()) {
        QRect rect = Units().Rect(item.x, item.y, item.width, item.height);
        // A combo box's resource height includes its drop-down list; on
        // screen it is as high as its style makes it.
        if (auto* box = qobject_cast<QComboBox*>(item.control)) {
            const int shown = std::min(rect.height(), box->sizeHint().height());
            box->setMaxVisibleItems(
                std::max(1, (rect.height() - shown) / box->fontMetrics().height()));
            rect.setHeight(shown);
        }
        item.control->setGeometry(rect);
    }
    // Right of the filter buttons, under the function box, where no control
    // of the form lies; placed after the widening so that it moves nothing.
    m_stSegment->setGeometry(Units().Rect(kSegmentX, 74, kSegmentWidth, 8));
    QRect box = Units().Rect(kSegmentX, 83, kSegmentWidth, 80);
    box.setHeight(std::min(box.height(), m_cbSegment->sizeHint().height()));
    m_cbSegment->setGeometry(box);
}

void CBrxPciView::CreateControls() {
    AddStatic("Mem. Mapped Base Addr.", 7, 7, 83, 8);
    m_cbBaseAddress = new QComboBox(this);
    m_cbBaseAddress->setEditable(true);
    m_cbBaseAddress->setInsertPolicy(QComboBox::NoInsert);
    // What the box shows is all that is read: no digit beyond it counts.
    m_cbBaseAddress->lineEdit()->setMaxLength(kBaseAddressTextLimit);
    Place(m_cbBaseAddress, 7, 18, 77, 63);
    AddStatic("PCI Config Address", 97, 7, 63, 8);
    m_edAddress = new QLineEdit(this);
    m_edAddress->setReadOnly(true);
    Place(m_edAddress, 98, 17, 62, 14);

    AddStatic("Bus No.", 7, 35, 26, 8);
    m_cbBus = new QComboBox(this);
    Place(m_cbBus, 7, 46, 39, 80);
    AddStatic("Device No.", 63, 34, 36, 8);
    m_cbDevice = new QComboBox(this);
    Place(m_cbDevice, 63, 45, 39, 80);
    AddStatic("Func. No.", 118, 34, 32, 9);
    m_cbFunction = new QComboBox(this);
    Place(m_cbFunction, 118, 45, 39, 81);
    m_stSegment = new QLabel("Seg. No.", this);
    m_cbSegment = new QComboBox(this);
    m_stSegment->hide();
    m_cbSegment->hide();

    m_filterGroup = new QButtonGroup(this);
    struct Filter {
        int32_t filter;
        const char* text;
        int y, width;
    };
    for (const Filter& f :
         {Filter{kDeviceFilterBoth, "Show both PCI and PCI Express devices", 64, 144},
          Filter{kDeviceFilterPci, "Show only PCI devices", 74, 88},
          Filter{kDeviceFilterPciExpress, "Show only PCI Express devices", 84, 115}}) {
        auto* button = new QRadioButton(f.text, this);
        Place(button, 7, f.y, f.width, 10);
        m_filterGroup->addButton(button, f.filter);
    }
    m_stDeviceListLabel = AddStatic("PCI and PCI Express Devices", 7, 96, 96, 8);
    m_cbDeviceList = new QComboBox(this);
    Place(m_cbDeviceList, 7, 106, 153, 130);
    m_btScan = new QPushButton("Scan all  devices", this);
    Place(m_btScan, 7, 122, 61, 14);
    m_btRefresh = new QPushButton("Refresh", this);
    Place(m_btRefresh, 95, 122, 65, 14);

    m_stRegisterAddress = AddStatic("", 7, 140, 77, 24);
    m_stRegisterAddress->setWordWrap(true);
    m_stRegisterAddress->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_stValueLabel = AddStatic("Register Value (Hex)", 93, 140, 67, 8);
    m_edValue = new QLineEdit(this);
    Place(m_edValue, 93, 151, 66, 14);
    m_btWrite = new QPushButton("Write", this);
    Place(m_btWrite, 50, 169, 65, 14);

    AddStatic("DID/VID:", 7, 192, 30, 8);
    m_edSearch = new QLineEdit(this);
    Place(m_edSearch, 46, 191, 54, 14);
    m_btFindNext = new QPushButton("Find Next", this);
    Place(m_btFindNext, 108, 191, 52, 14);

    m_stRegisterListTitle = AddStatic("Register List", 167, 7, 164, 8);
    m_lcRegisters = new QTreeWidget(this);
    m_lcRegisters->setRootIsDecorated(false);
    m_lcRegisters->setUniformRowHeights(true);
    m_lcRegisters->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lcRegisters->setColumnCount(0);
    Place(m_lcRegisters, kRegisterListRect.x, kRegisterListRect.y, kRegisterListRect.width,
          kRegisterListRect.height);
    CreatePaneControls();
}

void CBrxPciView::CreatePaneControls() {
    auto place = [this](QWidget* control, const UnitRect& r) {
        Place(control, r.x, r.y, r.width, r.height);
    };
    m_stFieldPaneTitle = new QLabel("Fields", this);
    place(m_stFieldPaneTitle, kPaneTitleRect);
    m_chWatch = new QCheckBox("Watch", this);
    place(m_chWatch, kWatchBoxRect);
    m_sbWatchInterval = new QSpinBox(this);
    m_sbWatchInterval->setRange(kMinWatchMs, kMaxWatchMs);
    m_sbWatchInterval->setSingleStep(100);
    m_sbWatchInterval->setSuffix(" ms");
    m_sbWatchInterval->setValue(kDefaultWatchMs);
    place(m_sbWatchInterval, kWatchIntervalRect);
    m_fieldPane = new CFieldPane(this);
    place(m_fieldPane, kPaneRect);
    m_watchTimer = new QTimer(this);
}

QRadioButton* CBrxPciView::FilterButton(int32_t filter) const {
    return qobject_cast<QRadioButton*>(m_filterGroup->button(filter));
}

void CBrxPciView::ConnectControls() {
    connect(m_btScan, &QPushButton::clicked, this,
            [this] { Run([](PciWindowModel& m) { m.OnScanAllDevices(); }); });
    connect(m_cbDeviceList, &QComboBox::activated, this,
            [this] { Run([](PciWindowModel& m) { m.OnSelchangeDeviceList(); }); });
    for (QComboBox* box : {m_cbBus, m_cbDevice, m_cbFunction, m_cbSegment})
        connect(box, &QComboBox::activated, this,
                [this] { Run([](PciWindowModel& m) { m.ReadSelectedFunction(); }); });
    connect(m_btRefresh, &QPushButton::clicked, this,
            [this] { Run([](PciWindowModel& m) { m.OnRefresh(); }); });
    connect(m_lcRegisters, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_bShowing) return;
        Run([](PciWindowModel& m) { m.OnRegisterItemChanged(); });
    });
    connect(m_btWrite, &QPushButton::clicked, this,
            [this] { Run([](PciWindowModel& m) { m.OnWriteRegister(); }); });
    connect(m_filterGroup, &QButtonGroup::idClicked, this,
            [this] { Run([](PciWindowModel& m) { m.OnShowFilter(); }); });
    connect(m_btFindNext, &QPushButton::clicked, this,
            [this] { Run([](PciWindowModel& m) { m.OnFindNext(); }); });
    // Anywhere in the list, on a row or not, as the list's own notification.
    m_lcRegisters->viewport()->installEventFilter(this);
    ConnectPaneControls();
}

void CBrxPciView::ConnectPaneControls() {
    connect(m_chWatch, &QCheckBox::clicked, this,
            [this] { Run([](PciWindowModel& m) { m.OnWatchChanged(); }); });
    connect(m_sbWatchInterval, &QSpinBox::valueChanged, this, [this](int ms) {
        if (!m_bShowing && m_watchTimer->isActive()) m_watchTimer->setInterval(ms);
    });
    connect(m_watchTimer, &QTimer::timeout, this, [this] {
        if (m_running > 0) return;
        Run([](PciWindowModel& m) { m.OnWatchTick(); });
    });
    connect(m_fieldPane, &CFieldPane::FieldEdited, this, [this](int line, const QString& text) {
        Run([line, &text](PciWindowModel& m) {
            m.OnEditField(static_cast<size_t>(line), text.toStdString());
        });
    });
}

bool CBrxPciView::eventFilter(QObject* watched, QEvent* event) {
    // Queued: the list first selects the row under the pointer.
    if (watched == m_lcRegisters->viewport() && event->type() == QEvent::MouseButtonDblClick)
        QMetaObject::invokeMethod(this, &CBrxPciView::OnRegisterDblClk, Qt::QueuedConnection);
    return CFormView::eventFilter(watched, event);
}

void CBrxPciView::OnRegisterDblClk() {
    std::optional<uint32_t> address;
    Run([&address](PciWindowModel& m) { address = m.OnRegisterDblClk(); });
    if (address && m_memoryDumpOpener)
        m_memoryDumpOpener->OpenMemoryDump(*address, PciWindowModel::kBarDumpSize);
}

void CBrxPciView::OnInitialUpdate() {
    if (m_bInitialized) return;
    m_bInitialized = true;
    m_lcRegisters->setSelectionBehavior(QAbstractItemView::SelectRows);
    FitParentFrame();
    m_bShowing = true;
    SetItems(m_cbBaseAddress, PciWindowModel::BaseAddressItems());
    m_cbBaseAddress->setCurrentIndex(m_cbBaseAddress->count() - 1);
    SetItems(m_cbBus, PciWindowModel::NumberItems(256));
    SetItems(m_cbDevice, PciWindowModel::NumberItems(32));
    SetItems(m_cbFunction, PciWindowModel::NumberItems(8));
    for (QComboBox* box : {m_cbBus, m_cbDevice, m_cbFunction}) box->setCurrentIndex(-1);
    FilterButton(kDeviceFilterBoth)->setChecked(true);
    m_lcRegisters->setColumnCount(kRegisterColumnCount);
    QTreeWidgetItem* header = m_lcRegisters->headerItem();
    for (int column = 0; column < kRegisterColumnCount; ++column) {
        header->setText(column, kRegisterColumns[column].heading);
        header->setTextAlignment(column, kRegisterColumns[column].alignment);
        m_lcRegisters->setColumnWidth(column, kRegisterColumns[column].width);
    }
    m_stRegisterAddress->clear();
    m_edValue->setMaxLength(kFieldLimit);
    m_edSearch->setMaxLength(kFieldLimit);
    m_bShowing = false;
}

void CBrxPciView::showEvent(QShowEvent* event) {
    CFormView::showEvent(event);
    OnInitialUpdate();
}

void CBrxPciView::resizeEvent(QResizeEvent* event) {
    CFormView::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

// The register list and its title end 10 pixels from the right edge; the
// field pane ends 10 pixels from the right and bottom edges, its title and
// the watch controls move with it, and the list ends above them.
void CBrxPciView::OnSize(int cx, int cy) {
    if (cx <= 0) return;
    auto rect = [this](const UnitRect& r) { return Units().Rect(r.x, r.y, r.width, r.height); };
    const QRect pane = rect(kPaneRect);
    const int dx = cx - kEdgeGap - (pane.x() + pane.width());
    const int dy = cy > 0 ? cy - kEdgeGap - (pane.y() + pane.height()) : 0;
    m_fieldPane->setGeometry(pane.adjusted(0, dy, dx, dy));
    m_stFieldPaneTitle->setGeometry(rect(kPaneTitleRect).translated(0, dy));
    m_chWatch->setGeometry(rect(kWatchBoxRect).translated(dx, dy));
    m_sbWatchInterval->setGeometry(rect(kWatchIntervalRect).translated(dx, dy));

    QRect list = m_lcRegisters->geometry();
    list.setWidth(cx - kEdgeGap - list.left());
    const QRect listUnits = rect(kRegisterListRect);
    const int gap = rect(kPaneTitleRect).y() - (listUnits.y() + listUnits.height());
    if (cy > 0) list.setHeight(std::max(0, m_stFieldPaneTitle->y() - gap - list.top()));
    m_lcRegisters->setGeometry(list);
    QRect title = m_stRegisterListTitle->geometry();
    title.setWidth(cx - kEdgeGap - title.left());
    m_stRegisterListTitle->setGeometry(title);
}

void CBrxPciView::SaveReport(std::FILE* file) {
    Run([file](PciWindowModel& model) {
        if (!model.Scanned()) {
            ShowMessage(kNoPciInformationMessage);
            return;
        }
        switch (PciSaveSelection::Current().Ask()) {
            case kSaveAllDevices:
                WriteAllDevicesReport(model, file);
                break;
            case kSaveCurrentDevice:
                WriteCurrentDeviceReport(model.Form(), file);
                break;
            default:
                ShowMessage(kSelectionUnavailableMessage);
                break;
        }
    });
}

template <class Command>
void CBrxPciView::Run(Command command) {
    ++m_running;
    TakeInput();
    command(m_model);
    ShowForm();
    --m_running;
}

void CBrxPciView::TakeInput() {
    PciFormState& form = m_model.Form();
    form.baseAddressText = m_cbBaseAddress->currentText().toStdString();
    form.bus = m_cbBus->currentIndex();
    form.device = m_cbDevice->currentIndex();
    form.function = m_cbFunction->currentIndex();
    const int segment = m_cbSegment->currentIndex();
    if (segment >= 0 && static_cast<size_t>(segment) < m_shownSegments.size())
        form.segment = m_shownSegments[static_cast<size_t>(segment)];
    form.deviceListSelection = m_cbDeviceList->currentIndex();
    const QList<QTreeWidgetItem*> selected = m_lcRegisters->selectedItems();
    form.registerSelection =
        selected.isEmpty() ? -1 : m_lcRegisters->indexOfTopLevelItem(selected.first());
    form.valueText = m_edValue->text().toStdString();
    form.searchText = m_edSearch->text().toStdString();
    const int checked = m_filterGroup->checkedId();
    form.filter = checked > 0 ? checked : kDeviceFilterBoth;
    form.watching = m_chWatch->isChecked();
    form.watchIntervalMs = m_sbWatchInterval->value();
}

void CBrxPciView::ShowForm() {
    const PciFormState& form = m_model.Form();
    m_bShowing = true;
    m_cbBus->setCurrentIndex(form.bus);
    m_cbDevice->setCurrentIndex(form.device);
    m_cbFunction->setCurrentIndex(form.function);
    ShowSegmentBox();
    ShowDeviceList();
    ShowRegisterList();
    m_edAddress->setText(Text(form.addressText));
    m_stRegisterListTitle->setText(Text(form.registerListTitle));
    m_stDeviceListLabel->setText(Text(form.deviceListLabel));
    m_stRegisterAddress->setText(Text(form.registerAddressLabel));
    m_edValue->setText(Text(form.valueText));
    m_edSearch->setText(Text(form.searchText));
    m_fieldPane->Show(form.notes, form.fieldLines);
    ShowWatch();
    m_bShowing = false;
    ShowFocus();
}

void CBrxPciView::ShowSegmentBox() {
    const PciFormState& form = m_model.Form();
    if (form.segments != m_shownSegments) {
        m_cbSegment->clear();
        char text[8];
        for (uint16_t segment : form.segments) {
            std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(segment));
            m_cbSegment->addItem(text);
        }
        m_shownSegments = form.segments;
    }
    const auto at = std::find(m_shownSegments.begin(), m_shownSegments.end(), form.segment);
    m_cbSegment->setCurrentIndex(
        at == m_shownSegments.end() ? -1 : static_cast<int>(at - m_shownSegments.begin()));
    m_stSegment->setVisible(!m_shownSegments.empty());
    m_cbSegment->setVisible(!m_shownSegments.empty());
}

void CBrxPciView::ShowWatch() {
    const PciFormState& form = m_model.Form();
    m_chWatch->setChecked(form.watching);
    m_sbWatchInterval->setValue(form.watchIntervalMs);
    if (!form.watching) {
        m_watchTimer->stop();
    } else if (!m_watchTimer->isActive() || m_watchTimer->interval() != form.watchIntervalMs) {
        m_watchTimer->start(form.watchIntervalMs);
    }
}

void CBrxPciView::ShowDeviceList() {
    const PciFormState& form = m_model.Form();
    if (form.deviceList != m_shownDeviceList) {
        SetItems(m_cbDeviceList, form.deviceList);
        m_shownDeviceList = form.deviceList;
        SetDeviceListDropWidth();
    }
    m_cbDeviceList->setCurrentIndex(form.deviceListSelection);
}

void CBrxPciView::SetDeviceListDropWidth() {
    const QFontMetrics metrics(m_cbDeviceList->font());
    int widest = 0;
    for (const std::string& line : m_shownDeviceList)
        widest = std::max(widest, metrics.horizontalAdvance(Text(line)));
    const DialogUnits listUnits(m_cbDeviceList->font());
    const int width = widest + listUnits.AverageCharWidth() +
                      style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                      2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    m_cbDeviceList->view()->setMinimumWidth(width);
}

void CBrxPciView::ShowRegisterList() {
    const PciFormState& form = m_model.Form();
    if (form.registerListGeneration != m_shownGeneration ||
        form.registers.size() != m_shownRegisters.size()) {
        RebuildRegisterList();
        return;
    }
    // A watching read: the rows change in place and keep selection and scroll.
    for (size_t i = 0; i < form.registers.size(); ++i) {
        if (form.registers[i] == m_shownRegisters[i]) continue;
        ShowRegisterRow(m_lcRegisters->topLevelItem(static_cast<int>(i)), form.registers[i]);
    }
    m_shownRegisters = form.registers;
}

void CBrxPciView::RebuildRegisterList() {
    // Rebuilt on every read, which drops the row selection.
    const PciFormState& form = m_model.Form();
    m_lcRegisters->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(form.registers.size()));
    for (const PciRegisterRow& row : form.registers) {
        auto* item = new QTreeWidgetItem;
        for (int column = 0; column < kRegisterColumnCount; ++column)
            item->setTextAlignment(column, kRegisterColumns[column].alignment);
        ShowRegisterRow(item, row);
        items.append(item);
    }
    m_lcRegisters->addTopLevelItems(items);
    m_shownRegisters = form.registers;
    m_shownGeneration = form.registerListGeneration;
    // A field written from the pane keeps its row.
    if (QTreeWidgetItem* selected = m_lcRegisters->topLevelItem(form.registerSelection)) {
        m_lcRegisters->setCurrentItem(selected);
        m_lcRegisters->scrollToItem(selected);
    }
}

void CBrxPciView::ShowRegisterRow(QTreeWidgetItem* item, const PciRegisterRow& row) {
    const QString texts[kRegisterColumnCount] = {Text(row.offset), Text(row.value),
                                                 Text(row.description), Text(row.decoded)};
    for (int column = 0; column < kRegisterColumnCount; ++column) {
        item->setText(column, texts[column]);
        // Changed while watching: red until it changes back.
        if (row.changed) {
            item->setForeground(column, QBrush(Qt::red));
        } else {
            item->setData(column, Qt::ForegroundRole, QVariant());
        }
    }
    item->setToolTip(kDescriptionColumn, texts[kDescriptionColumn]);
    item->setToolTip(kDecodedColumn, texts[kDecodedColumn]);
}

void CBrxPciView::ShowFocus() {
    PciFormState& form = m_model.Form();
    QWidget* target = form.focus == PciFormField::BaseAddress
                          ? static_cast<QWidget*>(m_cbBaseAddress)
                      : form.focus == PciFormField::Value  ? m_edValue
                      : form.focus == PciFormField::Search ? m_edSearch
                                                           : nullptr;
    form.focus = PciFormField::None;
    if (target) target->setFocus(Qt::OtherFocusReason);
}
