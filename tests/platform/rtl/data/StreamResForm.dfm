object ResForm: TStreamResForm
  Title = 'Резервные копии'
  object Box: TStreamBox
    Caption = #1041#1072#1079#1072
    object Inner: TStreamBox
      Flags = [sfBold]
    end
  end
  object W1: TStreamWidget
    Count = 3
    Lines.Strings = (
      'SELECT * FROM projects ' +
        'ORDER BY name')
    OnPing = WidgetPing
    Left = 8
    Top = 16
  end
end
