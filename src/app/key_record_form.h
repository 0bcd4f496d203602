// The main form's side of a key record: the settings a new record is
// written with, and a chosen record put back onto the form.
#pragma once

#include "app/app_context.h"
#include "keystore/key_list.h"
#include "keystore/key_record.h"

namespace tollvane {

// The card settings of a new record, read from the main form.
RecordSettings ReadRecordSettings(const FormView& form, const FormValues& values);

// Puts a record onto the main form: card type, reader settings, work mode,
// sector, block and both keys. Values a field does not know change nothing.
void ApplyKeyRecord(const KeyRecord& record, AppContext& app);

// The two above for the key list, over the program's context.
class AppKeyRecordForm : public KeyRecordForm {
public:
    explicit AppKeyRecordForm(AppContext& app) : app_(app) {}
    RecordSettings CurrentSettings() const override {
        return ReadRecordSettings(app_.form, app_.values);
    }
    void Apply(const KeyRecord& record) override { ApplyKeyRecord(record, app_); }

private:
    AppContext& app_;
};

}  // namespace tollvane
