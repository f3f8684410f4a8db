#include "tester_fixture.h"

#include "ui/control_text.h"

#include <QDeadlineTimer>
#include <QTest>

TesterFixture::TesterFixture() : m_device(std::make_unique<VirtualDevice>()), m_dlg(std::make_unique<CPinTesterDlg>())
{
    std::string error;
    if (!m_device->Open(error))
        qFatal("%s", error.c_str());
    m_device->Start();
    m_dlg->show();
    if (!QTest::qWaitForWindowExposed(m_dlg.get()))
        qFatal("the tester window was not shown");
}

void TesterFixture::Click(int id)
{
    QTest::mouseClick(m_dlg->GetDlgItem(id), Qt::LeftButton);
}

void TesterFixture::TypeOver(int id, const QString &keys)
{
    auto *edit = qobject_cast<QLineEdit *>(m_dlg->GetDlgItem(id));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, keys);
}

void TesterFixture::Connect(const QString &portText)
{
    TypeOver(IDC_COMPORT, portText);
    Click(IDC_CONNECT);
}

QString TesterFixture::Text(int id) const
{
    return ControlText(m_dlg->GetDlgItem(id));
}

QByteArray TesterFixture::Wire(int count)
{
    const QDeadlineTimer deadline(count > 0 ? 1000 : 30);
    while ((count == 0 || static_cast<int>(m_device->Received().size()) < count) && !deadline.hasExpired())
        QTest::qWait(1);
    const std::vector<std::uint8_t> bytes = m_device->Received();
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}
