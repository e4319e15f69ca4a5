#include "reminders/reminder_message.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/clock.h"
#include "common/connection.h"
#include "common/ptbr_format.h"
#include "common/sql_text.h"
#include "common/text.h"
#include "common/text_encoding.h"
#include "common/text_file.h"
#include "common/utf8_path.h"
#include "reminders/email_address.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

const std::string kSeparator(1, fs::path::preferred_separator);
const std::string kOutbox = "Caixa de Saída";
const std::string kReminders = "Aviso de Vencimento";

std::string documentStatement(std::int64_t documentId) {
    return " select mf.id_financeiro, cli.nm_pesquisa as nm_pesquisa_cli, ccp.nm_contato,"
           " ccp.nm_e_mail as nm_e_mail_cli, ccp_emp.nm_e_mail as nm_e_mail_emp, mf.dt_vencto, mf.no_documento,"
           " mf.vl_baixa, tp.ds_assunto_email_aviso_vencto, emp.nm_pesquisa as nm_pesquisa_emp"
           " from mov_financeiro mf inner join cad_pessoa cli on (cli.id_pessoa = mf.id_pessoa)"
           " inner join cad_contato_pessoa ccp on (ccp.id_pessoa = cli.id_pessoa and ccp.st_contato_cobranca = " +
           quotedSql("S") + ")" + " inner join cad_pessoa emp on (emp.id_pessoa = mf.id_empresa)" +
           " inner join cad_contato_pessoa ccp_emp on (ccp_emp.id_pessoa = emp.id_pessoa and"
           " ccp_emp.st_contato_cobranca = " +
           quotedSql("S") + ")" + " inner join tab_parametro tp on (tp.id_parametro = 1)" +
           " where mf.id_financeiro = " + std::to_string(documentId);
}

std::string monthFolderName(Date day) { return formatDateTime(atMidnight(day), "yyyy-mm"); }

std::string monthFolder(const std::string& emailFolder, Date day) {
    return emailFolder + kOutbox + kSeparator + kReminders + kSeparator + monthFolderName(day) + kSeparator;
}

// The template's six placeholders, replaced in this order, each without re-scanning what was inserted.
class Placeholders {
public:
    Placeholders(const ResultSet& rows, std::size_t row) {
        values_ = {
            {"<razao_social_cliente>", rows.field(row, "nm_pesquisa_cli").asString()},
            {"<nome_contato_financeiro>", rows.field(row, "nm_contato").asString()},
            {"<documento_financeiro>", rows.field(row, "no_documento").asString()},
            {"<data_vencimento>", formatDateTime(rows.field(row, "dt_vencto").asDateTime(), "dd/mm/yyyy")},
            // Read as the ERP's currency values, four decimal places, before the mask rounds to two.
            {"<valor_documento>", formatMoneyMask(rows.field(row, "vl_baixa").asScaled().rescaled(4), -4)},
            {"<nossa_empresa>", rows.field(row, "nm_pesquisa_emp").asString()},
        };
    }

    std::string filled(std::string text) const {
        for (const auto& [placeholder, value] : values_) {
            text = replaceAll(text, placeholder, value);
        }
        return text;
    }

private:
    std::vector<std::pair<std::string_view, std::string>> values_;
};

// A line break inside a value would shift the control file's lines; the reader expects exactly four.
std::string singleLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

// The row of the debtor's first billing contact that has an address: a contact whose e-mail field is empty
// would make a message to nobody while another contact could be reached.
std::optional<std::size_t> rowWithAddress(const ResultSet& rows) {
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        if (!trimmedControls(rows.field(row, "nm_e_mail_cli").asString()).empty()) {
            return row;
        }
    }
    return std::nullopt;
}

}  // namespace

void makeOutboxFolders(const std::string& emailFolder, Date today) {
    const std::string outbox = emailFolder + kOutbox;
    const std::string reminders = outbox + kSeparator + kReminders;
    for (const std::string& path : {outbox, reminders, reminders + kSeparator + monthFolderName(today)}) {
        std::error_code ignored;
        fs::create_directory(utf8Path(path), ignored);
    }
}

std::string emailFolderSetting(Connection& connection) {
    const ResultSet rows = connection.query(" select tp.NM_PASTA_EMAIL from tab_parametro tp");
    return rows.empty() ? std::string() : rows.field(0, "NM_PASTA_EMAIL").asString();
}

std::string preparedEmailFolder(Connection& connection, Date today) {
    const std::string folder = emailFolderSetting(connection);
    makeOutboxFolders(folder, today);
    return folder;
}

void writeOutboxMessage(const std::string& emailFolder, Date today, const std::string& baseName,
                        const OutboxMessage& message) {
    const std::string bodyPath = monthFolder(emailFolder, today) + baseName + ".txt";
    writeTextFileAtomically(utf8Path(bodyPath), message.body);
    writeTextFileAtomically(utf8Path(emailFolder + kOutbox + kSeparator + baseName + ".cfe"),
                            {
                                singleLine("De: " + message.from),
                                singleLine("Para: " + message.to),
                                singleLine("Assunto: " + message.subject),
                                singleLine("Corpo: " + bodyPath),
                            });
}

bool writeReminderFiles(const ResultSet& rows, std::int64_t documentId, DateTime started,
                        const std::function<std::string(Date)>& emailFolderFor) {
    const std::optional<std::size_t> row = rowWithAddress(rows);
    if (!row) {
        return false;
    }
    const std::string recipient = rows.field(*row, "nm_e_mail_cli").asString();
    if (checkEmailField(trimmedControls(recipient)) == "ERRO") {
        return false;
    }

    const Date today = dateOf(started);
    const std::string baseName =
        "Aviso de Vencto - " + std::to_string(documentId) + " - " + formatDateTime(started, "yyyymmddhhmmss");
    const std::string emailFolder = emailFolderFor(today);

    const Placeholders placeholders(rows, *row);
    const std::string templatePath = emailFolder + kSeparator + "Textos" + kSeparator + "Email Aviso.txt";
    writeOutboxMessage(emailFolder, today, baseName,
                       {rows.field(*row, "nm_e_mail_emp").asString(), recipient,
                        placeholders.filled(rows.field(*row, "ds_assunto_email_aviso_vencto").asString()),
                        splitLines(placeholders.filled(readTextFile(utf8Path(templatePath))))});
    return true;
}

bool writeReminderEmail(Connection& connection, const Clock& clock, std::int64_t documentId) {
    return writeReminderFiles(connection.query(documentStatement(documentId)), documentId, clock.now(),
                              [&connection](Date today) { return preparedEmailFolder(connection, today); });
}

}  // namespace velmora
