#include "dialogs/BrowseProject.h"

#include "dialogs/DeferredIcon.h"
#include "dialogs/MemoText.h"
#include "platform/DesignScale.h"
#include "support/SharedState.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

using platform::scaled;

TBrowseForm* BrowseForm = nullptr;

TBrowseForm::TBrowseForm(QWidget* parent)
    : QDialog(parent)
{
    QFont windowFont = font();
    windowFont.setFamily(dialogDesignFont().family());
    setFont(windowFont);
    setFixedSize(scaled(626), scaled(426));

    const int barHeight = scaled(72);
    ListBox = new QListWidget(this);
    ListBox->setGeometry(0, 0, width(), height() - barHeight);
    ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox->setUniformItemSizes(true);
    ListBox->setSortingEnabled(false);

    Panel2 = new QWidget(this);
    Panel2->setGeometry(0, height() - barHeight, width(), barHeight);

    OKBtn = new QPushButton(QStringLiteral("OK"), Panel2);
    setStandardIconWhenShown(OKBtn, QStyle::SP_DialogOkButton);
    OKBtn->setGeometry(scaled(380), scaled(19), scaled(89), scaled(30));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Annuleren"), Panel2);
    setStandardIconWhenShown(CancelBtn, QStyle::SP_DialogCancelButton);
    CancelBtn->setGeometry(scaled(143), scaled(19), scaled(115), scaled(30));

    connect(ListBox, &QListWidget::itemDoubleClicked, this, &TBrowseForm::ListBoxDblClick);
    connect(OKBtn, &QPushButton::clicked, this, &TBrowseForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TBrowseForm::CancelBtnClick);

    FormCreate();
}

void TBrowseForm::FormCreate()
{
    setWindowTitle(ProgNam + QStringLiteral(" - Bladeren"));
}

QStringList TBrowseForm::indexFilesIn(const QString& folder)
{
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    return dir.entryList({ QStringLiteral("*.qlp") },
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::Name | QDir::IgnoreCase);
}

void TBrowseForm::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TBrowseForm::FormShow()
{
    ListBox->clear();
    const int itemHeight = scaled(18);
    for (const QString& name : indexFilesIn(InitialDir)) {
        auto* item = new QListWidgetItem(name, ListBox);
        item->setSizeHint(QSize(0, itemHeight));
    }
}

void TBrowseForm::chooseSelected()
{
    const QList<QListWidgetItem*> selected = ListBox->selectedItems();
    if (selected.isEmpty())
        return;
    ProjectName = selected.first()->text();
    accept();
}

void TBrowseForm::ListBoxDblClick()
{
    chooseSelected();
}

void TBrowseForm::OKBtnClick()
{
    chooseSelected();
}

void TBrowseForm::CancelBtnClick()
{
    reject();
}
