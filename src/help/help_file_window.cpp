// SPDX-License-Identifier: MIT
#include "help/help_file_window.h"

#include "platform/ini.h"
#include "platform/text_encoding.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace arbolith::help {

bool IsHelpDisabled(std::string_view setting)
{
    return EqualsNoCase(TrimView(setting), kHelpDisabled);
}

std::string EffectiveHelpFile(std::string_view setting, std::string_view libraryHelpFile)
{
    const std::string_view trimmed = TrimView(setting);
    return std::string(trimmed.empty() ? TrimView(libraryHelpFile) : trimmed);
}

frmHelpFile::frmHelpFile(std::string libraryHelpFile, const std::string& currentHelpFile, std::filesystem::path infFile,
                         Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_libraryHelpFile(std::move(libraryHelpFile)), m_infFile(std::move(infFile)), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmHelpFile"));
    setWindowTitle(QStringLiteral("Set Help File"));
    auto* grid = new QGridLayout(this);
    m_tlHelp = new QLineEdit(QString::fromStdString(m_libraryHelpFile), this);
    m_tlHelp->setObjectName(QStringLiteral("txtTL_Help"));
    m_tlHelp->setReadOnly(true);
    m_new = new QLineEdit(QString::fromStdString(currentHelpFile), this);
    m_new->setObjectName(QStringLiteral("txtNew"));
    // Long Windows paths stay readable.
    m_new->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 60);
    auto* tlLabel = new QLabel(QStringLiteral("Help File as Reported by Object Library"), this);
    tlLabel->setBuddy(m_tlHelp);
    auto* newLabel = new QLabel(QStringLiteral("Desired Help File Setting"), this);
    newLabel->setBuddy(m_new);
    grid->addWidget(tlLabel, 0, 0);
    grid->addWidget(m_tlHelp, 1, 0);
    grid->addWidget(newLabel, 2, 0);
    grid->addWidget(m_new, 3, 0);

    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 4, 0);
    grid->setRowMinimumHeight(2, fontMetrics().height() / 2);

    connect(m_ok, &QPushButton::clicked, this, [this] { Accept(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_new->setFocus();
    m_new->selectAll();
}

void frmHelpFile::Accept()
{
    const std::string setting = Trim(m_new->text().toStdString());
    // A setting the file could not keep is said and the dialog stays open:
    // the model's next opening would not find it otherwise.
    const bool written = PutIniString("Main", "HelpFile", setting, m_infFile, [this](const std::string& message) {
        m_prompt.Tell(message, PromptIcon::Exclamation);
    });
    if (!written) return;
    // An empty setting stands for the library's own help file, at once as
    // at the model's next opening.
    m_chosen = EffectiveHelpFile(setting, m_libraryHelpFile);
    accept();
}

}  // namespace arbolith::help
