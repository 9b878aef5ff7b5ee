// SPDX-License-Identifier: MIT
#include "app/CAboutDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <cstdio>

#include "app/Artwork.h"
#include "platform/ProductIdentity.h"

namespace {

constexpr const char* kNotice = "Copyright (C) Tarvolent developers";
constexpr int kIconSize = 32;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About");
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(kIconSize, kIconSize));
    m_stVersion = new QLabel(this);
    m_stVersion->setObjectName(QString::number(IDC_VERSION));
    m_stNotice = new QLabel(kNotice, this);
    m_btOk = new QPushButton("OK", this);
    m_btOk->setDefault(true);
    connect(m_btOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(m_stVersion, 0, 1);
    layout->addWidget(m_stNotice, 1, 1);
    layout->addWidget(m_btOk, 0, 2, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    OnInitDialog();
}

void CAboutDlg::OnInitDialog() {
    char text[64];
    std::snprintf(text, sizeof text, "Tarvolent Version %s", kProductVersion);
    m_stVersion->setText(text);
}
