#pragma once
/// \file oxPreviewPanel.h
/// The material's colour components as rendered: each component's current
/// image, scaled up, with its name, size and data type. Redrawn after every
/// render, also when the preset cache puts textures back without one.

#include <QWidget>

class oxEditorDocument;
class QGridLayout;

class oxPreviewPanel : public QWidget
{
    Q_OBJECT
public:
    explicit oxPreviewPanel(oxEditorDocument* document, QWidget* parent = nullptr);

    /// Side of a shown image in pixels.
    static constexpr int TileSize = 64;

private:
    void refresh();

    oxEditorDocument* _document;
    QGridLayout* _grid;
};
