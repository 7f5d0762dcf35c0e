// The certificate properties dialog: what it shows of a certificate, how it looks, and
// how its OK button, Escape and the close box end it.
#include "certview/certviewdialog.h"
#include "certview/infocolours.h"
#include "certview/windowplacement.h"

#include "crypto/certificate.h"
#include "crypto/cryptexception.h"

#include "certfactory.h"
#include "guitest.h"

#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/weakref.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

using crypto::CryptoCertificate;

namespace {

// The dialog with its controls in reach of the tests.
class ShownDialog : public CertViewDialog {
public:
    using CertViewDialog::CertViewDialog;
    using wxCertViewDialog::m_issuerLabel;
    using wxCertViewDialog::m_issuerText;
    using wxCertViewDialog::m_keyIdLabel;
    using wxCertViewDialog::m_keyIdText;
    using wxCertViewDialog::m_nameLabel;
    using wxCertViewDialog::m_nameText;
    using wxCertViewDialog::m_okButton;
    using wxCertViewDialog::m_privateKeyLabel;
    using wxCertViewDialog::m_privateKeyText;
    using wxCertViewDialog::m_serialLabel;
    using wxCertViewDialog::m_serialText;
    using wxCertViewDialog::m_subjectLabel;
    using wxCertViewDialog::m_subjectText;
    using wxCertViewDialog::m_validFromLabel;
    using wxCertViewDialog::m_validFromText;
    using wxCertViewDialog::m_validToLabel;
    using wxCertViewDialog::m_validToText;

    std::vector<wxTextCtrl *> fields() const
    {
        return {m_nameText,      m_subjectText, m_keyIdText,  m_issuerText,
                m_validFromText, m_validToText, m_serialText, m_privateKeyText};
    }

    void clickOk()
    {
        wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, wxID_OK);
        click.SetEventObject(m_okButton);
        m_okButton->ProcessWindowEvent(click);
    }

    void pressEscape()
    {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = WXK_ESCAPE;
        ProcessWindowEvent(key);
    }
};

std::vector<BYTE> readData(const std::string &name)
{
    std::ifstream in(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CryptoCertificate certificateOf(const std::vector<BYTE> &der)
{
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    return CryptoCertificate::adopt(context);
}

CryptoCertificate load(const std::string &name) { return certificateOf(readData(name)); }

// The subject key identifier as openssl reads it, in the dialog's form: "AB CD ... ".
wxString opensslKeyIdText(const std::vector<BYTE> &der)
{
    const unsigned char *p = der.data();
    X509 *x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    const ASN1_OCTET_STRING *id = X509_get0_subject_key_id(x);
    wxString text;
    for (int i = 0; id && i < id->length; ++i)
        text += wxString::Format(L"%02X ", id->data[i]);
    X509_free(x);
    return text;
}

void linkToContainer(CryptoCertificate &certificate, const wchar_t *container, const wchar_t *provider)
{
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = const_cast<wchar_t *>(container);
    info.pwszProvName = const_cast<wchar_t *>(provider);
    info.dwProvType = 75;
    info.dwKeySpec = AT_KEYEXCHANGE;
    certificate.setProperty(&info, CERT_KEY_PROV_INFO_PROP_ID, 0);
}

class CertificateProperties : public guitest::GuiTest {
protected:
    ShownDialog *open(const CryptoCertificate &certificate, const wchar_t *title = L"Свойства сертификата")
    {
        return new ShownDialog(certificate, nullptr, title);
    }
};

// --- What it shows -------------------------------------------------------------------

TEST_F(CertificateProperties, ShowsTheCommonNameAndTheWholeSubjectAndIssuer)
{
    ShownDialog *dialog = open(load("rsa.der"));

    EXPECT_EQ(dialog->m_nameText->GetValue(), wxString(L"RSA Test"));
    EXPECT_EQ(dialog->m_subjectText->GetValue(), wxString(L"C=RU, O=Certinstall Tests, CN=RSA Test"));
    EXPECT_EQ(dialog->m_issuerText->GetValue(), wxString(L"C=RU, O=Certinstall Tests, CN=Certinstall Test CA"));
}

TEST_F(CertificateProperties, ShowsACyrillicCommonName)
{
    ShownDialog *dialog = open(load("gost2012.der"));

    EXPECT_EQ(dialog->m_nameText->GetValue(), wxString(L"Иванов Иван Иванович"));
    EXPECT_NE(dialog->m_subjectText->GetValue().Find(L"O=\"Рога и копыта, ООО\""), wxNOT_FOUND);
}

TEST_F(CertificateProperties, LeavesTheNameEmptyForASubjectWithoutCommonName)
{
    ShownDialog *dialog = open(load("no-cn.der"));

    EXPECT_EQ(dialog->m_nameText->GetValue(), wxString());
    EXPECT_EQ(dialog->m_subjectText->GetValue(), wxString(L"C=RU, O=Only Org"));
}

TEST_F(CertificateProperties, ShowsTheKeyIdentifierAsSpacedUpperCaseHex)
{
    const std::vector<BYTE> der = readData("ec.der");
    ShownDialog *dialog = open(certificateOf(der));

    const wxString expected = opensslKeyIdText(der);
    ASSERT_EQ(expected.length(), 20u * 3u);
    EXPECT_EQ(dialog->m_keyIdText->GetValue(), expected);
}

TEST_F(CertificateProperties, LeavesTheKeyIdentifierEmptyWithoutTheExtension)
{
    ShownDialog *dialog = open(load("no-ski.der"));

    EXPECT_EQ(dialog->m_keyIdText->GetValue(), wxString());
}

TEST_F(CertificateProperties, ShowsTheSerialNumberMostSignificantByteFirst)
{
    ShownDialog *dialog = open(load("rsa.der"));

    EXPECT_EQ(dialog->m_serialText->GetValue(), wxString(L"010203"));
}

TEST_F(CertificateProperties, ShowsTheStartAndEndOfValidityInTheirOwnFields)
{
    testsupport::CertificateSpec spec;
    spec.notBeforeUnix = 2065780800; // 2035-06-15 12:00 UTC: the same year in every time zone
    spec.notAfterUnix = 2097316800;  // 2036-06-17 12:00 UTC
    ShownDialog *dialog = open(certificateOf(testsupport::makeCertificate(spec)));

    EXPECT_NE(dialog->m_validFromText->GetValue().Find(L"2035"), wxNOT_FOUND) << dialog->m_validFromText->GetValue();
    EXPECT_NE(dialog->m_validToText->GetValue().Find(L"2036"), wxNOT_FOUND) << dialog->m_validToText->GetValue();
}

TEST_F(CertificateProperties, ShowsTheLinkedContainerAndProvider)
{
    CryptoCertificate certificate = load("rsa.der");
    linkToContainer(certificate, L"Контейнер-1", L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider");
    ShownDialog *dialog = open(certificate);

    EXPECT_EQ(dialog->m_privateKeyText->GetValue(),
              wxString(L"Контейнер-1 - Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider"));
}

TEST_F(CertificateProperties, LeavesThePrivateKeyEmptyWithoutAContainerLink)
{
    ShownDialog *dialog = open(load("rsa.der"));

    EXPECT_EQ(dialog->m_privateKeyText->GetValue(), wxString());
}

TEST_F(CertificateProperties, KeepsItsTextsAfterTheCertificateIsReleased)
{
    ShownDialog *dialog = nullptr;
    {
        CryptoCertificate certificate = load("gost2012.der");
        dialog = open(certificate);
        certificate.release();
    }
    dialog->Show();
    guitest::processEvents();

    EXPECT_EQ(dialog->m_nameText->GetValue(), wxString(L"Иванов Иван Иванович"));
    EXPECT_EQ(dialog->m_serialText->GetValue(), wxString(L"03"));
}

TEST_F(CertificateProperties, FailsAsAWholeWhenTheKeyIdentifierCannotBeDecoded)
{
    // The identifier's inner OCTET STRING turned into a BOOLEAN of 20 bytes.
    std::vector<BYTE> der = testsupport::makeCertificate({});
    const BYTE keyIdExtension[] = {0x06, 0x03, 0x55, 0x1D, 0x0E, 0x04, 0x16, 0x04, 0x14};
    auto at = std::search(der.begin(), der.end(), std::begin(keyIdExtension), std::end(keyIdExtension));
    ASSERT_NE(at, der.end());
    at[7] = 0x01;
    const CryptoCertificate certificate = certificateOf(der);
    const size_t windowsBefore = wxTopLevelWindows.size();

    EXPECT_THROW(open(certificate), crypto::CryptException);
    guitest::processEvents();
    EXPECT_EQ(wxTopLevelWindows.size(), windowsBefore);
}

// --- How it looks --------------------------------------------------------------------

TEST_F(CertificateProperties, CarriesTheRussianLabels)
{
    ShownDialog *dialog = open(load("rsa.der"));

    EXPECT_EQ(dialog->m_nameLabel->GetLabel(), wxString(L"Наименование"));
    EXPECT_EQ(dialog->m_subjectLabel->GetLabel(), wxString(L"Субъект"));
    EXPECT_EQ(dialog->m_keyIdLabel->GetLabel(), wxString(L"Идентификатор ключа"));
    EXPECT_EQ(dialog->m_issuerLabel->GetLabel(), wxString(L"Поставщик"));
    EXPECT_EQ(dialog->m_validFromLabel->GetLabel(), wxString(L"Действителен с: "));
    EXPECT_EQ(dialog->m_validToLabel->GetLabel(), wxString(L"Действителен по: "));
    EXPECT_EQ(dialog->m_serialLabel->GetLabel(), wxString(L"Серийный номер"));
    EXPECT_EQ(dialog->m_privateKeyLabel->GetLabel(), wxString(L"Закрытый ключ"));
}

TEST_F(CertificateProperties, HasTheGivenTitleTheProgramIconAndAResizeBorder)
{
    ShownDialog *dialog = open(load("rsa.der"), L"Просмотр сертификата");

    EXPECT_EQ(dialog->GetTitle(), wxString(L"Просмотр сертификата"));
    EXPECT_FALSE(dialog->GetIcons().IsEmpty());
    EXPECT_TRUE(dialog->HasFlag(wxRESIZE_BORDER));
}

TEST_F(CertificateProperties, OpensAtLeast480By361AndAsLargeAsItsContentNeeds)
{
    ShownDialog *dialog = open(load("gost2012.der"));
    dialog->Show();
    guitest::processEvents();

    const wxSize size = dialog->GetSize();
    EXPECT_GE(size.x, 480);
    EXPECT_GE(size.y, 361);
    EXPECT_GE(size.x, dialog->GetBestSize().x);
    EXPECT_GE(size.y, dialog->GetBestSize().y);
}

TEST_F(CertificateProperties, ShowsEveryFieldWholeInsideTheDialog)
{
    ShownDialog *dialog = open(load("gost2012.der"));
    dialog->Show();
    guitest::processEvents();

    const wxRect client(dialog->ClientToScreen(wxPoint(0, 0)), dialog->GetClientSize());
    for (wxTextCtrl *field : dialog->fields()) {
        const wxRect shown = field->GetScreenRect();
        EXPECT_TRUE(client.Contains(shown)) << shown.GetRight() << " > " << client.GetRight();
        EXPECT_GE(shown.width, field->GetMinSize().x);
    }
}

TEST_F(CertificateProperties, ShowsEveryValueWholeOnTheDisplay)
{
    ShownDialog *dialog = open(load("string-types.der"));
    dialog->Show();
    guitest::processEvents();

    auto needed = [](wxTextCtrl *field) {
        return field->GetSizeFromTextSize(field->GetTextExtent(field->GetValue()).x).x;
    };
    // Its subject is longer than the fields' narrowest width (320) shows.
    ASSERT_GT(needed(dialog->m_subjectText), 340);
    EXPECT_TRUE(workingAreaOf(dialog).Contains(dialog->GetScreenRect()));
    for (wxTextCtrl *field : dialog->fields())
        EXPECT_GE(field->GetSize().x, needed(field)) << field->GetValue().utf8_string();
}

TEST(WindowPlacement, ShrinksAWindowLargerThanTheDisplayOntoIt)
{
    auto *frame = new wxFrame(nullptr, wxID_ANY, L"", wxPoint(-500, -500), wxSize(5000, 4000));
    const wxRect area = workingAreaOf(nullptr);

    placeOnDisplayOf(*frame, nullptr);

    EXPECT_TRUE(area.Contains(wxRect(frame->GetPosition(), frame->GetSize())))
        << frame->GetPosition().x << "," << frame->GetPosition().y << " " << frame->GetSize().x << "x"
        << frame->GetSize().y;
    frame->Destroy();
}

TEST_F(CertificateProperties, LetsNoFieldBeEdited)
{
    ShownDialog *dialog = open(load("rsa.der"));

    for (wxTextCtrl *field : dialog->fields())
        EXPECT_FALSE(field->IsEditable());
}

TEST_F(CertificateProperties, DrawsBoldBlueLabelsAndSmallFieldsOnTheInfoBackground)
{
    ShownDialog *dialog = open(load("rsa.der"));

    EXPECT_EQ(dialog->m_serialLabel->GetFont().GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_EQ(dialog->m_serialLabel->GetForegroundColour(), wxColour(0, 64, 128));
    EXPECT_EQ(dialog->m_serialText->GetFont().GetPointSize(), 8);
    EXPECT_EQ(dialog->m_serialText->GetBackgroundColour(), infoColours().background);
}

TEST_F(CertificateProperties, KeepsFieldTextReadableOnTheInfoBackground)
{
    ShownDialog *dialog = open(load("rsa.der"));

    const wxColour back = dialog->m_nameText->GetBackgroundColour();
    const wxColour fore = dialog->m_nameText->GetForegroundColour();
    const int contrast = std::abs(back.GetLuminance() - fore.GetLuminance()) * 100;
    EXPECT_GE(contrast, 40) << back.GetAsString().utf8_string() << " / " << fore.GetAsString().utf8_string();
}

TEST(InfoColours, AreWindowsLightYellowAndBlackWhereTheThemesInfoBackgroundIsDark)
{
    const wxColour yellow(0xFF, 0xFF, 0xE1), grey(128, 128, 128);
    // The theme's info colours, and those shown.
    for (const auto &[theme, shown] : std::vector<std::pair<InfoColours, InfoColours>>{
             {{wxColour(0, 0, 0, 0xCC), *wxWHITE}, {yellow, *wxBLACK}}, // GTK's default theme
             {{wxColour(127, 127, 127), *wxWHITE}, {yellow, *wxBLACK}},
             {{grey, *wxBLUE}, {grey, *wxBLUE}}}) {
        const InfoColours result = infoColours(theme.background, theme.text);
        EXPECT_TRUE(result.background == shown.background && result.text == shown.text)
            << theme.background.GetAsString();
    }
}

TEST(InfoColours, CaptionsAreDarkBlueOnALightBackgroundAndALighterBlueOnADarkOne)
{
    EXPECT_EQ(captionColour(wxColour(240, 240, 240)), wxColour(0, 64, 128));
    const wxColour dark(48, 48, 48), onDark = captionColour(dark);
    EXPECT_GE(std::abs(onDark.GetLuminance() - dark.GetLuminance()), 0.4) << onDark.GetAsString().utf8_string();
    EXPECT_GT(onDark.Blue(), onDark.Red()); // still blue
}

// --- How it ends ---------------------------------------------------------------------

TEST_F(CertificateProperties, OkDestroysAModelessDialog)
{
    ShownDialog *dialog = open(load("rsa.der"));
    wxWeakRef<wxDialog> alive(dialog);
    dialog->Show();
    guitest::processEvents();

    dialog->clickOk();
    guitest::processEvents();

    EXPECT_FALSE(alive);
}

TEST_F(CertificateProperties, OkEndsAModalRunAndLeavesTheDialogToItsOpener)
{
    auto *editor = new wxFrame(nullptr, wxID_ANY, L"Редактор");
    editor->Show();
    ShownDialog *dialog = new ShownDialog(load("rsa.der"), editor, L"Просмотр сертификата");
    wxWeakRef<wxDialog> alive(dialog);
    guitest::dialogs().queueAnswer(wxID_NONE); // really run it
    bool clicked = false;
    wxTheApp->CallAfter([&] {
        clicked = true;
        dialog->clickOk();
    });
    // Should the click not end the run, end it here rather than hang.
    wxTheApp->CallAfter([&] {
        if (dialog->IsModal())
            dialog->EndModal(wxID_ABORT);
    });

    const int result = dialog->ShowModal();

    EXPECT_TRUE(clicked);
    EXPECT_NE(result, wxID_ABORT);
    ASSERT_TRUE(alive);
    EXPECT_FALSE(dialog->IsShown());
    dialog->Destroy();
    guitest::processEvents();
    EXPECT_FALSE(alive);
}

TEST_F(CertificateProperties, EscapeEndsItAsOkDoesShownModallyOrNot)
{
    ShownDialog *modeless = open(load("rsa.der"));
    wxWeakRef<wxDialog> alive(modeless);
    modeless->Show();
    modeless->pressEscape();
    guitest::processEvents();
    EXPECT_FALSE(alive);

    ShownDialog *modal = open(load("rsa.der"));
    guitest::dialogs().queueAnswer(wxID_NONE);
    wxTheApp->CallAfter([&] { modal->pressEscape(); });
    wxTheApp->CallAfter([&] { // should Escape not end the run
        if (modal->IsModal())
            modal->EndModal(wxID_ABORT);
    });
    EXPECT_EQ(modal->ShowModal(), wxID_OK);
}

TEST_F(CertificateProperties, TheCloseBoxEndsAModalRun)
{
    auto *editor = new wxFrame(nullptr, wxID_ANY, L"Редактор");
    editor->Show();
    ShownDialog *dialog = new ShownDialog(load("rsa.der"), editor, L"Просмотр сертификата");
    wxWeakRef<wxDialog> alive(dialog);
    guitest::dialogs().queueAnswer(wxID_NONE);
    wxTheApp->CallAfter([&] { dialog->Close(); });
    wxTheApp->CallAfter([&] {
        if (dialog->IsModal())
            dialog->EndModal(wxID_ABORT);
    });

    const int result = dialog->ShowModal();

    EXPECT_EQ(result, wxID_CANCEL);
    EXPECT_TRUE(alive);
}

TEST_F(CertificateProperties, TheCloseBoxHidesAModelessDialogWithoutDestroyingIt)
{
    ShownDialog *dialog = open(load("rsa.der"));
    wxWeakRef<wxDialog> alive(dialog);
    dialog->Show();
    guitest::processEvents();

    dialog->Close();
    guitest::processEvents();

    ASSERT_TRUE(alive);
    EXPECT_FALSE(dialog->IsShown());
}

} // namespace
