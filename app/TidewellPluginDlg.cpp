// CTidewellPluginDlg on Qt Widgets: template 102 laid out in dialog units, the host list,
// the confirmation, the message boxes and the minimised icon.
#include "app/TidewellPluginDlg.h"

#include <QBuffer>
#include <QComboBox>
#include <QFontMetrics>
#include <QImageReader>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "app/IcoFile.h"
#include "platform/codepage.h"
#include "platform/resources.h"

// Off unless QT_LOGGING_RULES enables "tidewell.startup.info": start-up measurements only.
Q_LOGGING_CATEGORY(lcTidewellStartup, "tidewell.startup", QtWarningMsg)

namespace {

// Every 8-bit text of the program is in the ANSI code page, whatever Qt's own default is.
QString FromAnsi(std::string_view text) {
  std::u16string wide;
  if (!platform::ToUtf16(text, platform::kCodePageAnsi, wide)) return {};
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

// Qt reads "[*]" in a window title as the modified-state mark and drops it; doubled it shows.
QString TitleText(std::string_view text) {
  return FromAnsi(text).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

// All images of an icon resource stored as a Windows .ico file; null when it is missing or
// cannot be decoded. Icons of 32-bit bitmaps (the program's own) are decoded here; any other
// form goes to the framework's image reader.
QIcon LoadIconResource(std::string_view name) {
  QIcon icon;
  const auto bytes = platform::FindResourceData("ICON", name);
  if (!bytes) return icon;
  if (const auto images = DecodeIcoFile(std::as_bytes(*bytes))) {
    for (const IcoImage& image : *images) {
      QImage pixels(image.width, image.height, QImage::Format_ARGB32);
      if (pixels.isNull()) continue;  // out of memory
      for (int row = 0; row < image.height; ++row)
        std::memcpy(pixels.scanLine(row), image.pixels.data() + static_cast<std::size_t>(row) * image.width,
                    static_cast<std::size_t>(image.width) * sizeof(std::uint32_t));
      icon.addPixmap(QPixmap::fromImage(pixels));
    }
    return icon;
  }
  // The resource's bytes live as long as the program, so Qt may read them in place.
  QByteArray data =
      QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size()));
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::ReadOnly)) return icon;
  QImageReader reader(&buffer, "ico");
  const int count = reader.imageCount();
  for (int i = 0; i < count; ++i) {
    if (!reader.jumpToImage(i)) break;
    const QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

// Dialog units to pixels as the platform's MapDialogRect converts them: the horizontal unit is
// a quarter of the font's average letter width, the vertical one an eighth of its height, and
// every product is rounded to the nearest pixel.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    base_x_ = (letters / 26 + 1) / 2;
    base_y_ = metrics.height();
  }
  [[nodiscard]] int X(int units) const { return MulDiv(units, base_x_, 4); }
  [[nodiscard]] int Y(int units) const { return MulDiv(units, base_y_, 8); }
  [[nodiscard]] QRect Rect(int x, int y, int width, int height) const { return {X(x), Y(y), X(width), Y(height)}; }

 private:
  static int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) / denominator);
  }
  int base_x_, base_y_;
};

template <typename Control>
Control* MakeControl(QWidget* dialog, int id) {
  auto* control = new Control(dialog);
  control->setObjectName(QString::number(id));
  control->setProperty("controlId", id);
  return control;
}

struct ButtonCode {
  QMessageBox::StandardButton button;
  int code;
};

constexpr ButtonCode kButtonCodes[] = {
    {QMessageBox::Ok, CTidewellPluginDlg::kIdOkButton},    {QMessageBox::Cancel, CTidewellPluginDlg::kIdCancelButton},
    {QMessageBox::Abort, CTidewellPluginDlg::kIdAbort},    {QMessageBox::Retry, CTidewellPluginDlg::kIdRetry},
    {QMessageBox::Ignore, CTidewellPluginDlg::kIdIgnore}, {QMessageBox::Yes, CTidewellPluginDlg::kIdYes},
    {QMessageBox::No, CTidewellPluginDlg::kIdNo},
};

QMessageBox::StandardButtons ButtonsOf(unsigned flags) {
  switch (flags & 0x0Fu) {
    case 1: return QMessageBox::Ok | QMessageBox::Cancel;
    case 2: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4: return QMessageBox::Yes | QMessageBox::No;
    case 5: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
  }
}

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & 0xF0u) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

CTidewellPluginDlg::CTidewellPluginDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_cancel(MakeControl<QPushButton>(this, kIdCancel)),
      m_ok(MakeControl<QPushButton>(this, kIdOk)),
      m_hostList(MakeControl<QComboBox>(this, kIdHostList)),
      m_status(MakeControl<QLabel>(this, kIdStatus)) {
  PlaceControls();
  connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
  connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(m_hostList, &QComboBox::currentIndexChanged, this, [this] { OnSelChangeProduct(); });

  m_hIcon = LoadIconResource("#128");
  m_localizer.SetResourceName("ZEBSTRINGS");
  // A missing table is no error here: every key then shows as itself.
  (void)m_localizer.LoadFromResource(nullptr, 0);
}

CTidewellPluginDlg::~CTidewellPluginDlg() {
  // The controls go before CTidewellBase frees the records the host list points to; left to
  // QDialog they would be deleted last.
  delete m_status;
  delete m_hostList;
  delete m_ok;
  delete m_cancel;
}

void CTidewellPluginDlg::PlaceControls() {
  // Template 102 asks for Tahoma 8 pt; where it is not installed fontconfig substitutes.
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  const DialogUnits du(font());
  setFixedSize(du.X(194), du.Y(186));

  m_ok->setGeometry(du.Rect(41, 165, 50, 14));
  m_ok->setDefault(true);
  m_cancel->setGeometry(du.Rect(103, 165, 50, 14));

  m_hostList->setEditable(false);
  const int closedHeight = m_hostList->sizeHint().height();
  m_hostList->setGeometry(du.X(8), du.Y(23), du.X(159), closedHeight);
  const int rowHeight = QFontMetrics(font()).height();
  m_hostList->setMaxVisibleItems(std::max(1, (du.Y(87) - closedHeight) / std::max(1, rowHeight)));

  m_status->setGeometry(du.Rect(18, 139, 165, 16));
  m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_status->setWordWrap(true);
  m_status->setTextFormat(Qt::PlainText);

  // The controls are created in member order; the template's order is the tab order.
  setTabOrder(m_ok, m_cancel);
  setTabOrder(m_cancel, m_hostList);
}

bool CTidewellPluginDlg::OnInitDialog() {
  setWindowIcon(m_hIcon);
  setWindowTitle(TitleText(GetLocalizedString("LUMORA_TITLE")));
  m_status->setText(QString());
  m_ok->setText(FromAnsi(GetLocalizedString("LUMORA_OK")));
  m_cancel->setText(FromAnsi(GetLocalizedString("LUMORA_CANCEL")));
  FillProductList();
  if (m_hostList->count() > 0) m_hostList->setCurrentIndex(0);
  UpdateControls();
  // A disabled OK refuses the focus, which then goes on to Cancel along the tab order.
  if (m_ok->isEnabled()) m_ok->setFocus(Qt::OtherFocusReason);
  else m_cancel->setFocus(Qt::OtherFocusReason);
  return true;
}

void CTidewellPluginDlg::setVisible(bool visible) {
  if (visible && !m_initialised) {
    m_initialised = true;
    (void)OnInitDialog();
  }
  QDialog::setVisible(visible);
}

void CTidewellPluginDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!m_shownLogged) {
    m_shownLogged = true;
    qCInfo(lcTidewellStartup) << "dialog shown";
  }
}

void CTidewellPluginDlg::OnSelChangeProduct() { UpdateControls(); }

void CTidewellPluginDlg::OnOK() {
  int index = m_hostList->currentIndex();
  if (index < 0) index = 0;
  if (m_hostList->count() == 0) {
    const std::string text = GetLocalizedString("LUMORA_VELTARO_NOT_INSTALLED");
    const std::string caption = GetLocalizedString("LUMORA_TITLE");
    (void)ShowMessageBox(text.c_str(), caption.c_str(), kMessagePlain);
    QDialog::accept();
    return;
  }
  const auto* product = m_hostList->itemData(index).value<const Product*>();
  if (CheckHostVersion(product)) QDialog::accept();
}

void CTidewellPluginDlg::paintEvent(QPaintEvent* event) { OnPaint(event); }

void CTidewellPluginDlg::OnPaint(QPaintEvent* event) {
  if (!isMinimized()) {
    QDialog::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.fillRect(rect(), palette().brush(backgroundRole()));
  const int size = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
  const int x = (width() - size + 1) / 2;
  const int y = (height() - size + 1) / 2;
  painter.drawPixmap(x, y, m_hIcon.pixmap(QSize(size, size), devicePixelRatioF()));
}

QIcon CTidewellPluginDlg::OnQueryDragIcon() const { return m_hIcon; }

void CTidewellPluginDlg::UpdateControls() {
  if (m_hostList->count() == 0) {
    m_status->setText(FromAnsi(GetLocalizedString("LUMORA_VELTARO_NOT_INSTALLED")));
    m_ok->setEnabled(false);
  } else {
    m_ok->setEnabled(true);
  }
}

int CTidewellPluginDlg::ShowMessageBox(const char* text, const char* caption, unsigned flags) {
  QMessageBox box(IconOf(flags), TitleText(caption ? caption : ""), FromAnsi(text ? text : ""), ButtonsOf(flags),
                  this);
  // The texts are the table's plain texts: markup-looking parts must show as typed.
  box.setTextFormat(Qt::PlainText);
  (void)box.exec();
  const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
  for (const ButtonCode& entry : kButtonCodes)
    if (entry.button == pressed) return entry.code;
  return kIdCancelButton;
}

std::string CTidewellPluginDlg::GetLocalizedString(const char* key) { return m_localizer.GetString(key, true); }

void CTidewellPluginDlg::AddProduct(const Product* product) {
  if (product == nullptr) return;
  const std::string entry = EntryText(*product);

  const int before = m_hostList->count();
  m_hostList->addItem(FromAnsi(entry));
  if (m_hostList->count() == before + 1) m_hostList->setItemData(before, QVariant::fromValue(product));
}
