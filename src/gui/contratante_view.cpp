#include "gui/contratante_view.h"

#include "gui/toolbar_icons.h"
#include "gui/view_registry.h"
#include "gui/window_settings.h"
#include "platform/dataset/dataset.h"
#include "platform/ui/grid.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace ct::gui {
namespace {

// Base form's buttons first, then the screen's own, in the order of the toolbar.
constexpr const char* toolbarButtons[] = {
    "sbtIncluir",   "sbtAlterar",   "sbtExcluir",        "sbtProcurar",    "sbtVerificar",
    "sbtOrdenar",   "sbtCancelar",  "sbtConfirmar",      "btnRatear",      "btnConvExtra",
    "btnDevolucao", "sbtRespCotas", "sbtTrocaRespCotas", "btnCancelaCont", "btnGerarConta",
    "sbtImprimir",  "sbtAjuda",     "sbtFechar"};

QHBoxLayout* row(QWidget* parent = nullptr) {
    auto* layout = new QHBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    return layout;
}

void narrow(QWidget* widget, int width) {
    widget->setMaximumWidth(width);
    widget->setMinimumWidth(width);
}

} // namespace

ContratanteView::ContratanteView(Form& form, QWidget* parent)
    : FormView(form, parent) {}

ContratanteView::~ContratanteView() {
    if (gridObserver_)
        form().get("dbgPadrao").unobserve(gridObserver_);
}

void ContratanteView::layoutForm() {
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->addWidget(buildToolbar());
    addToolBar(Qt::TopToolBarArea, toolbar);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildFilter());
    layout->addWidget(buildPartyArea(), 1);
    setCentralWidget(central);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    statusBar()->addWidget(status_, 1);
    // Who changed the current party last, and when (the server's audit).
    statusBar()->addPermanentWidget(mirror("lblUltAlteracao", this));
    gridObserver_ = form().get("dbgPadrao").observe([this](Control&, Property p) {
        if (p == Property::Data)
            showStatus();
    });
    showStatus();
    if (!restoreWindowGeometry(*this))
        resize(1180, 720);
}

void ContratanteView::hideEvent(QHideEvent* event) {
    // Closed by the program (not minimised): its size is the one for the next run.
    if (!event->spontaneous())
        saveWindowGeometry(*this);
    FormView::hideEvent(event);
}

QWidget* ContratanteView::buildToolbar() {
    QWidget* panel = mirror("panMenu", this);
    QHBoxLayout* layout = row(panel);
    for (const char* name : toolbarButtons)
        layout->addWidget(mirror(name, panel));
    decorateToolbar(*panel);
    layout->addStretch(1);
    QWidget* code = mirror("lblCodTela", panel);
    code->setStyleSheet(QStringLiteral("font-weight: bold; padding: 0 8px;"));
    layout->addWidget(code);
    return panel;
}

QWidget* ContratanteView::buildFilter() {
    QWidget* panel = mirror("panFiltro", this);
    static_cast<QFrame*>(panel)->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    auto codeRow = [&](int r, const char* label, const char* edit, const char* button, int width) {
        grid->addWidget(mirror(label, panel), r, 0);
        QWidget* e = mirror(edit, panel);
        narrow(e, width);
        grid->addWidget(e, r, 1);
        grid->addWidget(mirror(button, panel), r, 2);
    };
    codeRow(0, "lblFilial", "medCdFilial", "btnFilial", 60);
    grid->addWidget(mirror("edtNmFilial", panel), 0, 3);
    grid->addWidget(mirror("lblVrReali", panel), 0, 4, Qt::AlignRight);
    QWidget* value = mirror("nedVrReali", panel);
    narrow(value, 120);
    grid->addWidget(value, 0, 5);
    codeRow(1, "lblEmpresa", "medCdEmpresa", "btpEmpresa", 40);
    grid->addWidget(mirror("edtNmEmpresa", panel), 1, 3);
    codeRow(2, "lblNrOrcamento", "edtNrOrcamento", "btnNrOrcamento", 110);
    grid->setColumnStretch(3, 1);
    return panel;
}

QWidget* ContratanteView::buildPartyArea() {
    // The base form's page holds the screen's work area.
    QWidget* pages = mirror("pgcPadrao", this);
    QWidget* page = mirror("tbsPadrao", pages);
    row(pages)->addWidget(page);

    auto* left = new QVBoxLayout;
    auto* navigatorLine = row();
    navigatorLine->addWidget(mirror("dbnPadrao", page));
    QWidget* caption = mirror("dbtNome", page);
    caption->setStyleSheet(QStringLiteral("font-weight: bold;"));
    navigatorLine->addWidget(caption, 1);
    left->addLayout(navigatorLine);
    left->addWidget(mirror("dbgPadrao", page), 3);
    left->addWidget(buildTotals());
    left->addWidget(buildAddress(), 2);

    auto* layout = row(page);
    layout->setSpacing(6);
    layout->addLayout(left, 3);
    layout->addWidget(buildPayment(), 1);
    return pages;
}

QWidget* ContratanteView::buildTotals() {
    QWidget* panel = mirror("panTotais", this);
    QHBoxLayout* layout = row(panel);
    layout->addStretch(1);
    for (auto [label, box] :
         {std::pair{"lblQtContratantes", "nedQtContratantes"},
          std::pair{"lblTotConv", "nedTotConv"}, std::pair{"lblTotRateado", "nedTotRateado"}}) {
        layout->addWidget(mirror(label, panel));
        QWidget* edit = mirror(box, panel);
        narrow(edit, 110);
        layout->addWidget(edit);
        layout->addSpacing(8);
    }
    return panel;
}

QWidget* ContratanteView::buildAddress() {
    QWidget* group = mirror("gpbDadosCont", this);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    auto w = [&](const char* name) { return mirror(name, group); };
    auto sized = [&](const char* name, int width) {
        QWidget* widget = w(name);
        narrow(widget, width);
        return widget;
    };
    auto line = [&](std::initializer_list<QWidget*> widgets) {
        auto* box = new QWidget(group);
        QHBoxLayout* layout = row(box);
        for (QWidget* widget : widgets) {
            widget->setParent(box);
            layout->addWidget(widget);
        }
        return box;
    };
    grid->addWidget(w("lblEndereco"), 0, 0);
    grid->addWidget(w("dbeEndereco"), 0, 1, 1, 3);
    grid->addWidget(w("lblComp"), 1, 0);
    grid->addWidget(w("dbeComp"), 1, 1, 1, 3);
    grid->addWidget(w("lblPais"), 2, 0);
    grid->addWidget(line({sized("dbeCodPais", 50), w("btnPais"), w("dbeNmPais")}), 2, 1);
    grid->addWidget(w("lblEstado"), 2, 2);
    grid->addWidget(line({sized("dbeEstado", 40), w("btnEstado")}), 2, 3, Qt::AlignLeft);
    grid->addWidget(w("lblMunicipio"), 3, 0);
    grid->addWidget(line({sized("dbeCodMun", 50), w("btnMunicipio"), w("debNmMun")}), 3, 1);
    grid->addWidget(w("lblBairro"), 3, 2);
    grid->addWidget(line({sized("dbeCodBairro", 90), w("btnBairro"), w("dbeNmBairro")}), 3, 3);
    grid->addWidget(w("lblCep"), 4, 0);
    grid->addWidget(
        line({sized("dbeCep", 110), w("lblTel1"), w("debTel1"), sized("dbeRamal1", 50)}), 4, 1);
    grid->addWidget(w("lblTel2"), 4, 2);
    grid->addWidget(line({w("dbeTel2"), sized("dbeRamal2", 50)}), 4, 3);
    grid->addWidget(w("lblTelRes"), 5, 0);
    grid->addWidget(line({w("dbeTelRes"), w("lblCel"), w("dbeCel")}), 5, 1);
    grid->addWidget(w("lblFax"), 5, 2);
    grid->addWidget(w("dbeFax"), 5, 3);
    grid->addWidget(w("lblEmail1"), 6, 0);
    grid->addWidget(w("dbeEmail1"), 6, 1);
    grid->addWidget(w("lblEmail2"), 6, 2);
    grid->addWidget(w("dbeEmail2"), 6, 3);
    grid->addWidget(w("lblNmCont"), 7, 0);
    grid->addWidget(w("dbeNmCont"), 7, 1);
    grid->addWidget(w("lblContSub"), 7, 2);
    grid->addWidget(line({w("dbeContSub"), w("btnContSub")}), 7, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

QWidget* ContratanteView::buildPayment() {
    QWidget* panel = mirror("panFormaPagamento", this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    QWidget* plan = mirror("grbParamForma", panel);
    auto* planLayout = new QVBoxLayout(plan);
    planLayout->addWidget(mirror("rbtAvista", plan));
    planLayout->addWidget(mirror("rbtDiaFixo", plan));
    auto* fixedDay = row();
    for (const char* name : {"speDiaPagto", "lblCom", "speNrParcelas", "lblParcelas",
                             "lblAbreParenteses", "dckProxMes"}) {
        QWidget* widget = mirror(name, plan);
        if (name[0] == 's')
            narrow(widget, 36);
        fixedDay->addWidget(widget);
    }
    fixedDay->addStretch(1);
    planLayout->addLayout(fixedDay);
    planLayout->addWidget(mirror("rbtFormaVar", plan));

    QWidget* automatic = mirror("grbParcAuto", plan);
    auto* form = new QGridLayout(automatic);
    form->addWidget(mirror("lblQtParcela", automatic), 0, 0);
    form->addWidget(mirror("nedQtParcela", automatic), 0, 1);
    form->addWidget(mirror("lblPrazo", automatic), 1, 0);
    form->addWidget(mirror("nedPrazo", automatic), 1, 1);
    form->addWidget(mirror("lblObservacao", automatic), 2, 0);
    form->addWidget(mirror("edtObservacao", automatic), 2, 1);
    form->addWidget(mirror("sbtGeraParc", automatic), 3, 1, Qt::AlignRight);
    planLayout->addWidget(automatic);
    layout->addWidget(plan);
    layout->addWidget(mirror("dbgFormPgto", panel), 1);
    return panel;
}

void ContratanteView::showStatus() {
    if (!status_)
        return;
    auto& grid = static_cast<DBGrid&>(form().get("dbgPadrao"));
    DataSet* set = grid.dataSet();
    QString text;
    if (!set || !set->active()) {
        text = QString::fromUtf8("Nenhum orçamento carregado");
    } else {
        const char* state = set->state() == DataSetState::Insert ? "Incluindo"
                            : set->state() == DataSetState::Edit ? "Alterando"
                                                                 : "Consultando";
        text = QString::fromUtf8("%1 — registro %2 de %3")
                   .arg(QString::fromUtf8(state))
                   .arg(set->recNo())
                   .arg(set->recordCount());
    }
    status_->setText(text);
}

void registerContratanteView() {
    registerViewFactory("frmContratante",
                        [](Form& form) -> FormView* { return new ContratanteView(form); });
}

} // namespace ct::gui
