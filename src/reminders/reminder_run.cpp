#include "reminders/reminder_run.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/connection.h"
#include "common/ptbr_format.h"
#include "common/sql_text.h"
#include "reminders/business_calendar.h"
#include "reminders/reminder_message.h"

namespace velmora {

namespace {

constexpr unsigned kGeneratingEmail = 6;
constexpr unsigned kMonitoring = 1;

std::string selectionStatement(const std::string& emissionLimit, const std::string& dueLimit) {
    return " select mf.id_financeiro from mov_financeiro mf inner join fix_tp_pagto ftp on (ftp.id_tp_pagto = "
           "mf.id_tp_pagto) inner join cad_pessoa pe on (pe.id_pessoa = mf.id_pessoa) inner join cad_contato_pessoa "
           "ccp on (ccp.id_pessoa = pe.id_pessoa and ccp.st_contato_cobranca = " +
           quotedSql("S") + ")" + " where mf.id_tp_mov_financ in (2, 8)" +
           " and ftp.st_enviar_email_aviso_vencto = " + quotedSql("S") + " and mf.dt_baixa is null" +
           " and mf.dt_emissao <= " + emissionLimit + " and ((mf.dt_vencto >= current_date) and (mf.dt_vencto <= " +
           dueLimit + "))" + " and mf.dt_email_enviado_aviso_vencto is null" + " and Coalesce(ccp.nm_e_mail, " +
           quotedSql("") + ") <> " + quotedSql("");
}

// One entry per document: the selection repeats a document for each of its debtor's billing contacts.
std::vector<std::int64_t> distinctDocuments(const ResultSet& rows) {
    std::vector<std::int64_t> documents;
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        const std::int64_t id = rows.field(row, 0).asInteger();
        if (std::find(documents.begin(), documents.end(), id) == documents.end()) {
            documents.push_back(id);
        }
    }
    return documents;
}

}  // namespace

std::optional<int> ReminderRun::writeDueReminders() {
    view_.setStatus(kGeneratingEmail);
    std::optional<int> written;
    try {
        if (isReminderRunDue()) {
            written = writeTodaysReminders();
        }
    } catch (...) {
        view_.setStatus(kMonitoring);
        throw;
    }
    view_.setStatus(kMonitoring);
    return written;
}

int ReminderRun::writeTodaysReminders() {
    const Date today = dateOf(clock_.now());
    const int days = reminderHorizonDays();
    const Date emissionLimit = subtractBusinessDays(days, "N", connection_, today);
    const Date dueLimit = addBusinessDays(days, "N", connection_, today);

    const ResultSet selected =
        connection_.query(selectionStatement(sqlDate(atMidnight(emissionLimit)), sqlDate(atMidnight(dueLimit))));
    int written = 0;
    for (const std::int64_t document : distinctDocuments(selected)) {
        written += writeReminderEmail(connection_, clock_, document) ? 1 : 0;
        markReminded(document);
        view_.processPendingEvents();
    }
    recordReminderDay();
    return written;
}

bool ReminderRun::isReminderRunDue() {
    const ResultSet rows = connection_.query(
        " select tp.st_enviar_email_aviso_vencto, tp.dt_ultimo_email_aviso_enviado, tp.hr_enviar_email_vencto"
        " from tab_parametro tp");
    if (rows.empty()) {
        return false;
    }
    if (rows.field(0, "st_enviar_email_aviso_vencto").asString() != "S") {
        return false;
    }
    const DateTime now = clock_.now();
    if (!(dateOf(now) > dateOf(rows.field(0, "dt_ultimo_email_aviso_enviado").asDateTime()))) {
        return false;
    }
    return formatDateTime(now, "hh:mm") > rows.field(0, "hr_enviar_email_vencto").asString();
}

int ReminderRun::reminderHorizonDays() {
    const ResultSet rows = connection_.query(" select tp.QT_DIAS_ENVIAR_EMAIL_VENCTO from tab_parametro tp");
    return rows.empty() ? 0 : static_cast<int>(rows.field(0, "QT_DIAS_ENVIAR_EMAIL_VENCTO").asInteger());
}

void ReminderRun::markReminded(std::int64_t documentId) {
    connection_.execute(
        " update mov_financeiro mf set mf.DT_EMAIL_ENVIADO_AVISO_VENCTO = current_date where mf.id_financeiro = " +
        std::to_string(documentId));
}

void ReminderRun::recordReminderDay() {
    connection_.execute(" update tab_parametro mf set mf.DT_ULTIMO_EMAIL_AVISO_ENVIADO = current_date");
}

}  // namespace velmora
