"""Summary of a soak run (run-soak): the faults, what the run journal says happened after each, the memory and the
end. Exits 1 when a check failed."""

import argparse
import csv
import datetime
import os
import sys

RSS_GROWTH_LIMIT_KB = 20 * 1024
END_LIMIT_SECONDS = 10.0
DETAIL_WIDTH = 110
SURVEY_CHANCE_SECONDS = 120


def parse_arguments():
    parser = argparse.ArgumentParser()
    for name in ("work", "program", "minutes", "journal", "events", "rss", "reports", "ended-early", "exit-status",
                 "end-seconds", "lock-left", "surveys", "surveys-checked", "survey-server", "skipped", "needed-minutes"):
        parser.add_argument("--" + name, required=True)
    return parser.parse_args()


class Line:
    def __init__(self, fields):
        self.time, self.kind, self.subject, self.status, self.detail = (fields + [""] * 5)[:5]

    def shown(self, subject=True):
        detail = self.detail if len(self.detail) <= DETAIL_WIDTH else self.detail[:DETAIL_WIDTH - 3] + "..."
        who = f"{self.subject}: " if subject else ""
        return f"{self.time[11:]}  {self.status:5} {who}{detail}"


def read_journal(path):
    """Every line of the journal and of its rotated files, oldest first."""
    files = [f"{path}.{n}" for n in (3, 2, 1)] + [path]
    lines = []
    for name in files:
        if os.path.exists(name):
            with open(name, "rb") as f:
                text = f.read().decode("cp1252", errors="replace")
            lines += [Line(row.split("\t")) for row in text.split("\r\n") if row]
    return lines


def read_events(path):
    with open(path, encoding="utf-8") as f:
        return [dict(zip(("kind", "time", "name", "text"), row.rstrip("\n").split("\t"))) for row in f if row.strip()]


def read_rss(path):
    with open(path, encoding="utf-8") as f:
        return [(int(row["elapsed_s"]), row["time"], int(row["vmrss_kb"])) for row in csv.DictReader(f)]


def seconds_between(earlier, later):
    parse = lambda text: datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S")
    return (parse(later) - parse(earlier)).total_seconds()


def mb(kb):
    return f"{kb / 1024:.1f} MB"


def main():
    args = parse_arguments()
    journal = read_journal(args.journal)
    events = read_events(args.events)
    with open(args.reports, encoding="utf-8") as f:
        reports = [name for name in (row.strip() for row in f) if name]
    failures = []
    shown = set()

    started = next(e["time"] for e in events if e["kind"] == "start" and e["name"] == "monitor")
    ended = next((e for e in events if e["kind"] == "ended"), None)
    disconnect = next((e for e in events if e["kind"] == "disconnect"), None)
    stop_time = ended["time"] if ended else disconnect["time"] if disconnect else "9999"
    faults = []
    for event in events:
        if event["kind"] == "start" and event["name"] != "monitor":
            faults.append({"name": event["name"], "from": event["time"], "what": event["text"], "to": None})
        elif event["kind"] == "end":
            fault = next(f for f in faults if f["name"] == event["name"])
            fault["to"], fault["back"] = event["time"], event["text"]

    print(f"== Soak of {args.program}")
    print(f"   {args.minutes} min planned, started {started}; everything in {args.work}")
    print("\nFaults injected:")
    for fault in faults:
        print(f"  {fault['name']:13} {fault['from'][11:]}  {fault['what']}")
        print(f"  {'':13} {fault['to'][11:] if fault['to'] else '--:--:--'}  {fault.get('back', 'not over')}")
    if args.skipped:
        print(f"  not injected, the run is too short: {args.skipped} (the chosen faults need --minutes {args.needed_minutes})")

    # Each stretch in which the monitor should publish everything: from its start, and from the end of each fault,
    # up to the next fault or the end of the run.
    stretches = [("the start", started, faults[0]["from"] if faults else stop_time)]
    for index, fault in enumerate(faults):
        if fault["to"]:
            until = faults[index + 1]["from"] if index + 1 < len(faults) else stop_time
            stretches.append((f"{fault['name']} (over at {fault['to'][11:]})", fault["to"], until))
    print("\nPublications after each fault (PUBLICACAO):")
    for title, begin, until in stretches:
        print(f"  after {title}, until {until[11:] if until != '9999' else 'the end'}:")
        if ended and begin >= ended["time"]:
            print("    not checked: the monitor had ended")
            continue
        for report in reports:
            lines = [l for l in journal if l.kind == "PUBLICACAO" and l.subject == report and begin <= l.time < until]
            shown.update(id(l) for l in lines)
            print(f"    {report}:")
            for line in lines:
                print(f"      {line.shown(subject=False)}")
            if not any(l.status == "OK" for l in lines):
                print("      NOT PUBLISHED")
                failures.append(f"{report} was not published after {title}")

    for kind, title in (("LEMBRETE", "Reminder runs (LEMBRETE)"), ("PESQUISA", "Survey files (PESQUISA)"),
                        ("INICIO", "Starts (INICIO)"), ("FIM", "Ends (FIM)")):
        lines = [l for l in journal if l.kind == kind]
        shown.update(id(l) for l in lines)
        print(f"\n{title}:")
        print("\n".join(f"  {l.shown()}" for l in lines) or "  none")
    others = [l for l in journal if l.status == "FALHA" and id(l) not in shown]
    print("\nOther FALHA lines:")
    print("\n".join(f"  {l.kind:10} {l.shown()}" for l in others) or "  none")

    outbox = next((f for f in faults if f["name"] == "outbox-full" and f["to"]), None)
    if outbox:
        during = [l for l in journal if l.kind == "LEMBRETE" and outbox["from"] <= l.time < outbox["to"]]
        if not during:
            print("\nNote: no reminder run came while the outbox was full.")
        if not (ended and ended["time"] <= outbox["to"]) and not any(
                l.kind == "LEMBRETE" and l.status == "OK" and l.time >= outbox["to"] for l in journal):
            failures.append("the reminders were not written after the outbox was emptied")

    if args.surveys_checked == "true":
        with open(args.surveys, encoding="utf-8") as f:
            added = [row.rstrip("\n").split("\t") for row in f if row.strip()]
        for time, name in added:
            if ended and seconds_between(time, ended["time"]) < SURVEY_CHANCE_SECONDS:
                continue  # it had no cycle to go in
            if not any(l.kind == "PESQUISA" and l.subject == name and l.status == "OK" for l in journal):
                failures.append(f"survey file {name} was not delivered")
    else:
        print(f"\nSurvey files go to {args.survey_server}, which this soak does not serve: not checked.")

    print("\nMemory (VmRSS every 30 s):")
    samples = read_rss(args.rss)
    if samples:
        top = max(samples, key=lambda s: s[2])
        print(f"  first {mb(samples[0][2])}, max {mb(top[2])} at {top[1][11:]}, last {mb(samples[-1][2])}"
              f" ({len(samples)} samples)")
        planned = int(args.minutes) * 60
        from_second = min(300, planned // 2)
        base = next((s for s in samples if s[0] >= from_second), None)
        if base and base is not samples[-1]:
            growth = samples[-1][2] - base[2]
            print(f"  from {base[0] // 60}:{base[0] % 60:02d} to the end: {'+' if growth >= 0 else ''}{mb(growth)}"
                  f" (limit +{mb(RSS_GROWTH_LIMIT_KB)})")
            if growth > RSS_GROWTH_LIMIT_KB:
                failures.append(f"the memory grew by {mb(growth)} from minute {base[0] / 60:.1f} to the end")
        else:
            print("  too few samples to measure the growth")
    else:
        print("  no samples")

    print("\nEnd:")
    lock = "its lock file was left behind" if args.lock_left == "yes" else "its lock file is gone"
    if ended:
        print(f"  THE MONITOR ENDED BY ITSELF at {ended['time'][11:]} with exit status {args.exit_status}, "
              f"{lock}.")
        last = next((f for f in reversed(faults) if f["from"] <= ended["time"]), None)
        if last and (not last["to"] or ended["time"] <= last["to"]):
            print(f"  That was during {last['name']} ({last['what']} at {last['from'][11:]}).")
        elif last:
            print(f"  That was {seconds_between(last['to'], ended['time']):.0f} s after {last['name']} was over "
                  f"({last['back'].split(';')[0]} at {last['to'][11:]}).")
        fim = [l for l in journal if l.kind == "FIM"]
        if fim:
            print(f"  Its journal says: {fim[-1].detail}")
        failures.append(f"the monitor ended early, at {ended['time'][11:]}")
    else:
        if args.end_seconds == "none":
            print(f"  DESCONECTAR at {disconnect['time'][11:]}: still running 15 s later; stopped with SIGTERM "
                  f"(exit status {args.exit_status}); {lock}.")
            failures.append("the monitor did not end through the disconnect flag")
        else:
            print(f"  DESCONECTAR at {disconnect['time'][11:]}: ended after {args.end_seconds} s with exit status "
                  f"{args.exit_status}; {lock}.")
            if float(args.end_seconds) > END_LIMIT_SECONDS:
                failures.append(f"the end took {args.end_seconds} s (limit {END_LIMIT_SECONDS:.0f} s)")
        if args.exit_status != "0":
            failures.append(f"the monitor ended with exit status {args.exit_status}")
        if args.lock_left == "yes":
            failures.append("the lock file was left behind")

    print("\nChecks:")
    if failures:
        for failure in failures:
            print(f"  FAILED: {failure}")
        print(f"\nSOAK FAILED ({len(failures)} of the checks)")
        return 1
    print("  all passed")
    print("\nSOAK PASSED")
    return 0


if __name__ == "__main__":
    sys.exit(main())
