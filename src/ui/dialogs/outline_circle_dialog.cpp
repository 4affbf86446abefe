#include "dialogs/outline_circle_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dialogs/line_edit_field.hpp"

namespace kova::ui {

QPixmap CircleShapePicture(int shape, int orientation, int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(QColor(192, 192, 192));
    const double m = 4;
    const double d = size - 2 * m;
    const QRectF box(m, m, d, d);
    if (shape == 0) {
        painter.drawEllipse(box);
        return picture;
    }
    // The arc starts at orientation × 90 degrees, clockwise on the screen from the right
    // (Qt counts angles anticlockwise). A quarter-circle's centre sits in the corner that
    // lets it fill the picture.
    const int span = shape == 1 ? 180 : 90;
    const int start = -90 * orientation;
    QRectF r = box;
    if (shape == 2) {
        const QPointF c(orientation == 1 || orientation == 2 ? m + d : m,
                        orientation >= 2 ? m + d : m);
        r = QRectF(c.x() - d, c.y() - d, 2 * d, 2 * d);
    }
    painter.drawPie(r, start * 16, -span * 16);
    return picture;
}

TOutlineC::TOutlineC(Problem& problem, QPointF centre, QWidget* parent)
    : QDialog(parent), m_problem(problem) {
    setObjectName("TOutlineC");
    setWindowTitle("Outline Circular Shape");
    const CircleDialogStart start = StartCircleDialog(problem, centre.x(), centre.y());
    const QString unit = QString::fromStdString(start.unit);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel("Diameter = "), 0, 0);
    DEdit = new QLineEdit(kDefaultDiameter);
    DEdit->setObjectName("DEdit");
    top->addWidget(DEdit, 0, 1);
    DUnits = new QLabel(unit);
    top->addWidget(DUnits, 0, 2);
    ShapesDD = new QComboBox;
    ShapesDD->setObjectName("ShapesDD");
    ShapesDD->addItems({"Circle", "Semi-circle", "Quarter-circle"});
    top->addWidget(ShapesDD, 1, 0, 1, 3);
    layout->addLayout(top);

    auto* orientation = new QGroupBox("Orientation");
    auto* ol = new QHBoxLayout(orientation);
    CImage = new QLabel;
    CImage->setObjectName("CImage");
    ol->addWidget(CImage);
    CScroll = new QScrollBar(Qt::Vertical);
    CScroll->setObjectName("CScroll");
    CScroll->setRange(0, 3);
    ol->addWidget(CScroll);
    layout->addWidget(orientation);

    auto* centreBox = new QGroupBox("Center Point");
    auto* cl = new QGridLayout(centreBox);
    xlabel = new QLabel(QString::fromStdString(start.xLabel));
    yLabel = new QLabel(QString::fromStdString(start.yLabel));
    xedit = new QLineEdit(QString::fromStdString(start.x));
    xedit->setObjectName("xedit");
    yEdit = new QLineEdit(QString::fromStdString(start.y));
    yEdit->setObjectName("yEdit");
    cl->addWidget(xlabel, 0, 0);
    cl->addWidget(xedit, 0, 1);
    cl->addWidget(new QLabel(unit), 0, 2);
    cl->addWidget(yLabel, 1, 0);
    cl->addWidget(yEdit, 1, 1);
    cl->addWidget(new QLabel(unit), 1, 2);
    layout->addWidget(centreBox);

    auto* points = new QHBoxLayout;
    points->addWidget(new QLabel("Number of points = "));
    NPtsSpin = new QSpinBox;
    NPtsSpin->setObjectName("NPtsSpin");
    NPtsSpin->setRange(kFewestCirclePoints, kMostCirclePoints);
    NPtsSpin->setSingleStep(kCirclePointStep);
    NPtsSpin->setValue(kDefaultCirclePoints);
    points->addWidget(NPtsSpin);
    layout->addLayout(points);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TOutlineC::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ShapesDD, &QComboBox::currentIndexChanged, this, [this] {
        CScroll->setValue(0);
        ShowShape();
    });
    connect(CScroll, &QScrollBar::valueChanged, this, [this] { ShowShape(); });
    ShowShape();
}

void TOutlineC::ShowShape() {
    const int shape = ShapesDD->currentIndex();
    CScroll->setVisible(shape != 0);
    CImage->setPixmap(CircleShapePicture(shape, shape == 0 ? 0 : CScroll->value(), 64));
}

void TOutlineC::accept() {
    LineEditField d(DEdit), x(xedit), y(yEdit);
    m_result =
        CircleDialogOk(m_problem, d, x, y, static_cast<CircleShape>(ShapesDD->currentIndex()),
                       CScroll->value(), NPtsSpin->value());
    if (m_result.ok) QDialog::accept();
}

}  // namespace kova::ui
