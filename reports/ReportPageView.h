#pragma once
// Shows one report page as paper on a grey desk, at a zoom. Only the page on
// show is drawn, and only when the screen needs it.

#include "reports/engine/ReportPages.h"

#include <QWidget>

class ReportPageView : public QWidget {
public:
    explicit ReportPageView(QWidget *parent = nullptr);

    // The pages stay owned by the caller and must outlive the view's use of them.
    void showPage(const ReportPages *pages, int index, qreal zoom);

    // The paper's size in pixels at the zoom of 1.
    QSizeF paperPixels() const;

    // Space around the paper, in pixels.
    static constexpr int deskMargin = 12;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const ReportPages *m_pages = nullptr;
    int m_index = 0;
    qreal m_zoom = 1.0;
};
