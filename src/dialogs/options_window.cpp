// SPDX-License-Identifier: MIT
#include "dialogs/options_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace arbolith {

namespace {

QString Number(int value)
{
    return QString::number(value);
}

QLineEdit* NumberBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    return box;
}

}  // namespace

frmOptions::frmOptions(OptionsHost& host, Prompt& prompt, ScreenPixels screen, QWidget* parent)
    : QDialog(parent), m_host(host), m_prompt(prompt)
{
    setObjectName("frmOptions");
    setWindowTitle("Options");
    const OptionsState s = host.CurrentOptions();
    m_indentValue = s.treeIndent;

    auto* fonts = new QGroupBox("Font Sizes", this);
    fonts->setObjectName("frFonts");
    auto* fontGrid = new QGridLayout(fonts);
    const auto addFont = [&](int row, const char* caption, const char* name, std::int16_t value) {
        QLineEdit* box = NumberBox(fonts, name);
        box->setText(Number(value));
        box->installEventFilter(this);
        auto* label = new QLabel(caption, fonts);
        label->setBuddy(box);
        // Room for the whole caption also where font metrics round down (high scaling).
        label->setMinimumWidth(label->sizeHint().width() + label->fontMetrics().averageCharWidth());
        fontGrid->addWidget(label, row, 0);
        fontGrid->addWidget(box, row, 1);
        return box;
    };
    m_fontTextbox = addFont(0, "&Text box", "txtFontSizeTextbox", s.fonts.textbox);
    m_fontLabel = addFont(1, "&Label", "txtFontSizeLabel", s.fonts.label);
    m_fontTree = addFont(2, "T&ree", "txtFontSizeTree", s.fonts.tree);
    m_fontListbox = addFont(3, "L&ist box", "txtFontSizeListBox", s.fonts.listbox);

    auto* right = new QGridLayout;
    m_indent = NumberBox(this, "txtIndent");
    m_indent->setReadOnly(true);
    m_indent->setText(Number(s.treeIndent));
    auto* indentLabel = new QLabel("Object Tree I&ndentation", this);
    indentLabel->setBuddy(m_indent);
    m_indentDown = new QPushButton("&Down", this);
    m_indentDown->setObjectName("cmdIndentDown");
    m_indentUp = new QPushButton("&Up", this);
    m_indentUp->setObjectName("cmdIndentUp");
    auto* indentRow = new QHBoxLayout;
    indentRow->addWidget(m_indent);
    indentRow->addWidget(m_indentDown);
    indentRow->addWidget(m_indentUp);
    indentRow->addStretch();
    right->addWidget(indentLabel, 0, 0);
    right->addLayout(indentRow, 1, 0);

    m_defaultDepth = NumberBox(this, "txtDefaultDepth");
    m_defaultDepth->setText(Number(s.defaultDepth));
    m_lblDefault = new QLabel(this);
    m_lblDefault->setObjectName("lblDefault");
    m_lblDefault->setText("&Global Default Max Branch Count (1-100)\nNote: Reload library to see change.");
    m_lblDefault->setBuddy(m_defaultDepth);
    right->addWidget(m_lblDefault, 2, 0);
    right->addWidget(m_defaultDepth, 3, 0);

    m_scaleFactor = NumberBox(this, "txtScaleFactor");
    m_scaleFactor->setText(Number(s.scaleFactor));
    m_scaleFactor->installEventFilter(this);
    auto* scaleLabel = new QLabel("&Scale Factor for Split Mode", this);
    scaleLabel->setBuddy(m_scaleFactor);
    right->addWidget(scaleLabel, 4, 0);
    right->addWidget(m_scaleFactor, 5, 0);

    m_compactDat = new QCheckBox(
        "Compact DAT files after creation (Leave checked unless you get funny errors when creating models)", this);
    m_compactDat->setObjectName("chkCompactDAT");
    m_compactDat->setChecked(s.compactDat);
    m_openDlgAtTop =
        new QCheckBox("Display Open Models dialog at upper left of screen (Otherwise, dialog will be centered)", this);
    m_openDlgAtTop->setObjectName("chkOpenDlgAtTop");
    m_openDlgAtTop->setChecked(s.openDlgAtTop);

    m_ok = new QPushButton("OK", this);
    m_ok->setObjectName("cmdOK");
    m_ok->setDefault(true);
    m_apply = new QPushButton("&Apply", this);
    m_apply->setObjectName("cmdApply");
    m_cancel = new QPushButton("&Cancel", this);
    m_cancel->setObjectName("cmdCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_apply);
    buttons->addWidget(m_cancel);

    auto* top = new QHBoxLayout;
    top->addWidget(fonts, 0, Qt::AlignTop);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_compactDat);
    layout->addWidget(m_openDlgAtTop);
    layout->addLayout(buttons);

    connect(m_indentUp, &QPushButton::clicked, this, [this] { StepIndent(true); });
    connect(m_indentDown, &QPushButton::clicked, this, [this] { StepIndent(false); });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        Update();
        accept();
    });
    connect(m_apply, &QPushButton::clicked, this, &frmOptions::Update);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    adjustSize();
    CenterForm(*this, screen);
}

void frmOptions::StepIndent(bool up)
{
    m_indentValue = StepTreeIndent(m_indentValue, up);
    m_indent->setText(Number(m_indentValue));
    m_host.ApplyTreeIndent(m_indentValue);
}

void frmOptions::Update()
{
    OptionsBoxes boxes;
    boxes.fontTextbox = m_fontTextbox->text().toStdString();
    boxes.fontLabel = m_fontLabel->text().toStdString();
    boxes.fontTree = m_fontTree->text().toStdString();
    boxes.fontListbox = m_fontListbox->text().toStdString();
    boxes.scaleFactor = m_scaleFactor->text().toStdString();
    boxes.defaultDepth = m_defaultDepth->text().toStdString();
    boxes.compactDat = m_compactDat->isChecked();
    boxes.openDlgAtTop = m_openDlgAtTop->isChecked();

    OptionsState current = m_host.CurrentOptions();
    current.treeIndent = m_indentValue;
    const OptionsUpdate u = EvaluateOptions(boxes, current);
    if (u.scaleRefused)
        m_prompt.Tell("Scale factor must be between 10 and 90. No change was made.", PromptIcon::Information);
    if (u.depthChanged)
        m_prompt.Tell(
            "Changes to the global default branch count will not take effect until you load (or reload) a "
            "model.",
            PromptIcon::Information);
    m_host.ApplyOptions(u.state);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            // After the focus change has placed the cursor, so the selection stays.
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace arbolith
