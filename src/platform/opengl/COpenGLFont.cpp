#include "platform/opengl/COpenGLFont.h"

#include "platform/Mbcs.h"
#include "platform/opengl/COpenGLDevice.h"
#include "platform/opengl/COpenGLTexture.h"
#include "platform/opengl/WindowsFonts.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

namespace {

std::string FaceBytes(const D3DXFONT_DESCA& description) {
    const char* face = description.FaceName;
    return std::string(face, strnlen(face, sizeof description.FaceName));
}

// The family for a face name in code page 932; the Windows Japanese faces resolve to the
// IPA faces with the same metrics.
QString Family(const D3DXFONT_DESCA& description) {
    InstallWindowsFontSubstitutes();
    const std::optional<std::string> utf8 = Mbcs::ToUtf8(FaceBytes(description));
    return QString::fromStdString(utf8.value_or(std::string()));
}

QFont FontOf(const D3DXFONT_DESCA& description) {
    QFont font(Family(description));
    // The height is the character cell in pixels (negative: the character alone).
    font.setPixelSize(std::max(1, std::abs(description.Height)));
    // Windows and Qt share the weight scale (400 normal, 700 bold); 0 means normal.
    if (description.Weight > 0) {
        font.setWeight(static_cast<QFont::Weight>(std::min(description.Weight, 1000u)));
    }
    font.setItalic(description.Italic != FALSE);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// White pixels with the painted coverage as alpha, top row first.
COpenGLTexture::Pixels WhiteWithCoverage(const QImage& painted) {
    const std::size_t bytes =
        static_cast<std::size_t>(painted.width()) * static_cast<std::size_t>(painted.height()) * 4;
    COpenGLTexture::Pixels pixels = COpenGLTexture::AllocatePixels(bytes);
    std::fill_n(pixels.get(), bytes, std::uint8_t{255});
    std::uint8_t* out = pixels.get();
    for (int y = 0; y < painted.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(painted.constScanLine(y));
        for (int x = 0; x < painted.width(); ++x, out += 4) {
            out[3] = static_cast<std::uint8_t>(qAlpha(row[x]));
        }
    }
    return pixels;
}

} // namespace

COpenGLFont* COpenGLFont::Create(COpenGLDevice& device, const D3DXFONT_DESCA& description) {
    if (QGuiApplication::instance() == nullptr) {
        return nullptr;
    }
    return new COpenGLFont(device, description);
}

COpenGLFont::COpenGLFont(COpenGLDevice& device, const D3DXFONT_DESCA& description)
    : m_device(device), m_description(description) {}

ULONG COpenGLFont::Release() {
    delete this;
    return 0;
}

HRESULT COpenGLFont::GetDescA(D3DXFONT_DESCA* description) {
    if (description == nullptr) {
        return E_INVALIDARG;
    }
    *description = m_description;
    return S_OK;
}

int COpenGLFont::DrawTextA(ID3DXSprite*, const char* text, int count, RECT* rectangle, DWORD format,
                           D3DCOLOR colour) {
    if (text == nullptr || rectangle == nullptr) {
        return 0;
    }
    const std::string_view bytes = count < 0
                                       ? std::string_view(text)
                                       : std::string_view(text, static_cast<std::size_t>(count));
    const int width = rectangle->right - rectangle->left;
    const int height = rectangle->bottom - rectangle->top;
    const bool centred = (format & DT_CENTER) != 0;
    COpenGLTexture* image = bytes.empty() || width <= 0 || height <= 0
                                ? nullptr
                                : TextImage(std::string(bytes), width, height, centred);
    if (image == nullptr) {
        return 0;
    }
    int left = rectangle->left;
    if (centred) {
        left += (width - image->Width()) / 2;
    }
    m_device.ScreenPass().Draw(*image, left, rectangle->top, colour);
    return image->Height();
}

COpenGLTexture* COpenGLFont::TextImage(const std::string& cp932, int clipWidth, int clipHeight,
                                       bool centred) {
    // Keyed on the text as it comes, so that a cached text costs no conversion.
    COpenGLTextCache::Key key{cp932,
                              m_description.Height,
                              FaceBytes(m_description),
                              m_description.Weight,
                              m_description.Italic,
                              clipWidth,
                              clipHeight,
                              centred};
    COpenGLTextCache& cache = m_device.TextCache();
    if (COpenGLTexture* cached = cache.Find(key)) {
        return cached;
    }
    const std::optional<std::string> utf8 = Mbcs::ToUtf8(cp932);
    COpenGLTexture* image = utf8 ? Rasterise(*utf8, clipWidth, clipHeight, centred) : nullptr;
    if (image != nullptr) {
        cache.Insert(std::move(key), image);
    }
    return image;
}

COpenGLTexture* COpenGLFont::Rasterise(const std::string& utf8, int clipWidth, int clipHeight,
                                       bool centred) const {
    const QFont font = FontOf(m_description);
    // Windows line ends break lines once, at the line feed.
    const QString text = QString::fromStdString(utf8).remove(QLatin1Char('\r'));
    const QSize size = QFontMetrics(font).size(0, text);
    if (size.isEmpty()) {
        return nullptr;
    }
    // A centred text wider than the rectangle shows its middle, from where the rectangle's
    // left edge falls on it; any other shows its start.
    const int hidden = centred ? std::max(0, (size.width() - clipWidth) / 2) : 0;
    const QSize shown(std::min(size.width(), clipWidth), std::min(size.height(), clipHeight));
    QImage painted(shown, QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    QPainter painter(&painted);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(QPoint(-hidden, 0), size), Qt::AlignHCenter | Qt::AlignTop, text);
    painter.end();
    return new COpenGLTexture(shown.width(), shown.height(), WhiteWithCoverage(painted),
                              m_device.Window());
}
