#include "oxPreviewPanel.h"

#include "oxEditorDocument.h"

#include "host/Materials.h"
#include "host/OSGImage.h"

#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

QRgb rgb(const osg::Vec3f& pixel)
{
    const auto channel = [](float v) { return int(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return qRgb(channel(pixel[0]), channel(pixel[1]), channel(pixel[2]));
}

/// The image as a picture of TileSize pixels a side, each pixel a square.
QPixmap picture(const ImagePtr& image)
{
    QImage raster(image->getWidth(), image->getHeight(), QImage::Format_RGB32);
    for (int y = 0; y < image->getHeight(); ++y)
        for (int x = 0; x < image->getWidth(); ++x)
            raster.setPixel(x, y, rgb(image->getPixel(x, y)));
    return QPixmap::fromImage(raster.scaled(oxPreviewPanel::TileSize, oxPreviewPanel::TileSize,
                                            Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

/// The components that show a texture, with their images, in the host's order.
std::vector<std::pair<QString, ImagePtr>> textures(const USubstanceMaterialPtr& material)
{
    std::vector<std::pair<QString, ImagePtr>> shown;
    const ColorComponentsPtr data = material.isNull() ? ColorComponentsPtr() : material->getColorComponentData();
    if (!data.isNull())
        for (const ComponentSettingsPtr& c : data->getAllComponents())
            if (!c.isNull() && c->getUseTexture())
                shown.emplace_back(QString::fromStdString(c->getComponentName()), c->getImage());
    if (!material.isNull() && material->getUseIncandescenceTexture())
        shown.emplace_back(oxPreviewPanel::tr("incandescence map"), material->getIncandescenceMap());
    return shown;
}

} // namespace

oxPreviewPanel::oxPreviewPanel(oxEditorDocument* document, QWidget* parent)
    : QWidget(parent), _document(document), _grid(new QGridLayout)
{
    setObjectName("preview");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(_grid);
    layout->addStretch();
    connect(document, &oxEditorDocument::refreshed, this, [this](oxEditorDocument::Parts parts) {
        if (parts & oxEditorDocument::Textures)
            refresh();
    });
}

void oxPreviewPanel::refresh()
{
    while (QLayoutItem* item = _grid->takeAt(0))
    {
        delete item->widget();
        delete item;
    }
    const auto shown = textures(_document->material());
    const int columns = 2;
    for (std::size_t i = 0; i < shown.size(); ++i)
    {
        const auto& [name, image] = shown[i];
        auto* tile = new QLabel;
        tile->setObjectName("texture:" + name);
        tile->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        QString caption = name;
        if (image.isNull())
            caption += "\n" + tr("no image");
        else
        {
            tile->setPixmap(picture(image));
            caption += QString("\n%1 x %2, %3")
                           .arg(image->getWidth())
                           .arg(image->getHeight())
                           .arg(oxImageDataTypeName(image->getDataType()));
        }
        auto* text = new QLabel(caption);
        text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        text->setWordWrap(true);
        auto* cell = new QWidget;
        auto* cellLayout = new QVBoxLayout(cell);
        cellLayout->setContentsMargins(2, 2, 2, 2);
        cellLayout->addWidget(tile);
        cellLayout->addWidget(text);
        _grid->addWidget(cell, int(i) / columns, int(i) % columns);
    }
}
