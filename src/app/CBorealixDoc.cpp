// SPDX-License-Identifier: MIT
#include "app/CBorealixDoc.h"

#include "app/DocTemplate.h"

CBorealixDoc::CBorealixDoc(DocTemplate& docTemplate, const QString& title, QObject* parent)
    : QObject(parent), m_template(docTemplate), m_strTitle(title) {}

CBorealixDoc::~CBorealixDoc() {
    m_template.RemoveDocument(this);
}
