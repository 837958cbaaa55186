#include "platform/framework/CDialogTemplate.h"

#include "platform/framework/Resources.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <qdrawutil.h>

#include <cmath>

namespace {

constexpr int ScreenDpi = 96;
constexpr int PointsPerInch = 72;

// a * b / c, rounded half away from zero.
int MulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

QRect UnitsOf(const QStringList& row) {
    return QRect(row.value(2).toInt(), row.value(3).toInt(), row.value(4).toInt(),
                 row.value(5).toInt());
}

// A group box drawn as the template's positions expect it: the frame runs through the
// middle of the caption, which stands 7 pixels in, not above the frame as Qt's styles put it.
class TemplateGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        static constexpr int CaptionIndent = 7;
        QPainter painter(this);
        const QFontMetrics metrics(font());
        // An etched line, as the window system draws a group box.
        qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2 - 1, 0, 0), palette(),
                       true);
        const QRect caption(CaptionIndent, 0, metrics.horizontalAdvance(title()), metrics.height());
        painter.fillRect(caption.adjusted(-1, 0, 1, 0), palette().window());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
    }
};

} // namespace

CDialogTemplate::CDialogTemplate(UINT id) {
    const std::vector<QStringList> rows = Resources::LoadTable(QStringLiteral("dialog%1").arg(id));
    if (rows.empty() || rows.front().value(0) != QLatin1String("DIALOG")) {
        return;
    }
    const QStringList& header = rows.front();
    m_size = UnitsOf(header).size();
    m_caption = header.value(6);
    m_font = QFont(header.value(7));
    m_font.setPixelSize(MulDiv(header.value(8).toInt(), ScreenDpi, PointsPerInch));
    const QFontMetrics metrics(m_font);
    // The average width of the 52 Latin letters, rounded as the window system does.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseUnits = QSize((letters / 26 + 1) / 2, metrics.height());
    for (auto row = rows.begin() + 1; row != rows.end(); ++row) {
        m_controls.push_back({row->value(0), row->value(1).toInt(), UnitsOf(*row), row->value(6),
                              row->value(7).split(u'|', Qt::SkipEmptyParts)});
    }
}

QRect CDialogTemplate::MapDialogRect(const QRect& units) const {
    const int left = MulDiv(units.left(), m_baseUnits.width(), 4);
    const int top = MulDiv(units.top(), m_baseUnits.height(), 8);
    const int right = MulDiv(units.left() + units.width(), m_baseUnits.width(), 4);
    const int bottom = MulDiv(units.top() + units.height(), m_baseUnits.height(), 8);
    return QRect(left, top, right - left, bottom - top);
}

std::map<int, QWidget*> CDialogTemplate::CreateControls(QWidget& window) const {
    window.setFont(m_font);
    std::map<int, QWidget*> controls;
    for (const Control& control : m_controls) {
        QWidget* widget = CreateControl(control, window);
        if (widget == nullptr) {
            continue;
        }
        widget->setFont(m_font);
        QRect geometry = MapDialogRect(control.units);
        if (qobject_cast<QComboBox*>(widget) != nullptr) {
            geometry.setHeight(widget->sizeHint().height());
        }
        widget->setGeometry(geometry);
        if (control.id != -1) {
            widget->setObjectName(QString::number(control.id));
            controls[control.id] = widget;
        }
    }
    return controls;
}

QWidget* CDialogTemplate::CreateControl(const Control& control, QWidget& window) const {
    const QString& kind = control.kind;
    if (kind == QLatin1String("GROUPBOX")) {
        auto* box = new TemplateGroupBox(control.text, &window);
        box->lower(); // the controls inside are drawn over it
        return box;
    }
    if (kind == QLatin1String("LTEXT")) {
        auto* label = new QLabel(control.text, &window);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // static text starts at the top
        return label;
    }
    if (kind == QLatin1String("ICON")) {
        auto* icon = new QLabel(&window);
        icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
        return icon;
    }
    if (kind == QLatin1String("PUSHBUTTON") || kind == QLatin1String("DEFPUSHBUTTON")) {
        auto* button = new QPushButton(control.text, &window);
        button->setDefault(kind == QLatin1String("DEFPUSHBUTTON"));
        return button;
    }
    if (kind == QLatin1String("CHECKBOX")) {
        return new QCheckBox(control.text, &window);
    }
    if (kind == QLatin1String("PUSHCHECK")) {
        auto* button = new QPushButton(control.text, &window);
        button->setCheckable(true);
        return button;
    }
    if (kind == QLatin1String("EDIT")) {
        auto* edit = new QLineEdit(&window);
        if (control.styles.contains(QLatin1String("NUMBER"))) {
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        }
        return edit;
    }
    if (kind == QLatin1String("COMBO")) {
        auto* combo = new QComboBox(&window);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setProperty("sorted", control.styles.contains(QLatin1String("SORT")));
        // The dropped-down list, field included, takes the control's height.
        const int lines = MapDialogRect(control.units).height() / QFontMetrics(m_font).height();
        combo->setMaxVisibleItems(std::max(1, lines - 1));
        return combo;
    }
    return nullptr;
}
